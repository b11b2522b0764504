#include "core/transfer/TransferCard.h"

#include "core/card/CardLayout.h"

#include <QMap>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>

using namespace Qt::StringLiterals;

namespace CardFormat {

TransferCard::TransferCard(const FileItem &folder, MgrMode mode, MgrWriteFunction write)
    : m_folder(folder), m_mode(mode), m_write(std::move(write))
{
    if (!m_write)
        m_write = [](const FileItem &file, const QByteArray &data) { return writeWholeFile(file.posixPath(), data); };
}

std::optional<int> TransferCard::firstFreeNumber(int from) const
{
    for (int n = std::max(from, 0); n <= kMaxSongNumber; ++n) {
        if (!songFile(n).exists())
            return n;
    }
    return std::nullopt;
}

FileItem TransferCard::songFile(int n) const
{
    const auto name = songFileName(n);
    return name ? m_folder.child(*name) : FileItem();
}

FileItem TransferCard::mgrFile(int m) const
{
    const auto name = mgrFileName(m);
    return name ? m_folder.child(*name) : FileItem();
}

bool TransferCard::failWith(int error, const FileItem &file)
{
    m_lastError = error;
    m_lastFile = file;
    return false;
}

std::optional<QByteArray> TransferCard::readMgr(int m)
{
    const FileItem file = mgrFile(m);
    const FileBytes read = readRegularFile(file.posixPath(), kMgrFileSize);
    if (read.error != 0) {
        failWith(read.error, file);
        return std::nullopt;
    }
    if (checkManagementData(read.data) != MgrStatus::Ok) {
        failWith(EILSEQ, file);
        return std::nullopt;
    }
    return read.data;
}

bool TransferCard::prepareMgr(int m)
{
    if (m_ready.contains(m))
        return true;
    const FileItem file = mgrFile(m);
    if (file.isNull())
        return failWith(EINVAL, file);
    if (file.exists()) {
        if (file.isFolder())
            return failWith(EISDIR, file);
        if (m_mode == MgrMode::Fresh) {
            if (m_titled == 0) {
                m_renew.insert(m);
            } else if (const int err = m_write(file, newMgrFile(m))) {
                return failWith(err, file);
            }
        } else if (!readMgr(m)) {
            return false;
        }
    } else if (const int err = m_write(file, newMgrFile(m))) {
        return failWith(err, file);
    }
    m_ready.insert(m);
    return true;
}

bool TransferCard::writeTitle(int n, const QByteArray &title)
{
    if (!isSongNumber(n))
        return failWith(EINVAL, songFile(n));
    const int m = mgrNumberOf(n);
    if (!prepareMgr(m))
        return false;
    QByteArray data;
    if (m_renew.contains(m)) {
        data = newMgrFile(m);
    } else if (const auto read = readMgr(m)) {
        data = read->left(kMgrFileSize);
    } else {
        return false;
    }
    data.replace(slotOffset(slotIndexOf(n)), kSlotSize, usedSlot(n, title));
    if (const int err = m_write(mgrFile(m), data))
        return failWith(err, mgrFile(m));
    m_renew.remove(m);
    ++m_titled;
    return true;
}

bool TransferCard::repairInterruptedRun()
{
    QMap<int, QList<int>> songsByMgr;
    const QList<FileItem> items = m_folder.entries();
    for (const FileItem &item : items) {
        const QString name = item.name();
        if ((name.endsWith(u".3G2.tmp"_s) || name.endsWith(u".MGR.tmp"_s)) && !item.isFolder()
            && (songNumberFromFileName(name.chopped(4)) || name.startsWith(u"SD_F_"_s))) {
            if (const int err = item.remove())
                return failWith(err, item);
            continue;
        }
        if (const auto n = songNumberFromFileName(name); n && !item.isFolder())
            songsByMgr[mgrNumberOf(*n)].append(*n);
    }
    for (auto it = songsByMgr.cbegin(); it != songsByMgr.cend(); ++it) {
        // A song beside no management file was not left by a run of ours: each run makes
        // the file ready before it copies.
        const FileItem file = mgrFile(it.key());
        if (!file.exists() || file.isFolder())
            continue;
        const FileBytes read = readRegularFile(file.posixPath(), kMgrFileSize);
        if (read.error != 0 || checkManagementData(read.data) != MgrStatus::Ok)
            continue;
        QByteArray data = read.data.left(kMgrFileSize);
        const MgrTitles titles = titlesFromData(data);
        bool changed = false;
        for (const int n : it.value()) {
            if (!titles.titles[slotIndexOf(n)].isEmpty())
                continue;
            data.replace(slotOffset(slotIndexOf(n)), kSlotSize, usedSlot(n, songFileName(n)->chopped(4).toLatin1()));
            changed = true;
        }
        if (!changed)
            continue;
        if (const int err = m_write(file, data))
            return failWith(err, file);
    }
    return true;
}

int renameNoReplace(const FileItem &from, const FileItem &to)
{
    if (from.isNull() || to.isNull())
        return EINVAL;
    if (::renameat2(AT_FDCWD, from.posixBytes().constData(), AT_FDCWD, to.posixBytes().constData(),
                    RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: check, then rename (the card has one writer).
    if (to.exists())
        return EEXIST;
    return std::rename(from.posixBytes().constData(), to.posixBytes().constData()) == 0 ? 0 : errno;
}

} // namespace CardFormat
