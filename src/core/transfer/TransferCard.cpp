#include "core/transfer/TransferCard.h"

#include "core/card/CardLayout.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>

namespace CardFormat {

TransferCard::TransferCard(const FileItem &folder, MgrMode mode) : m_folder(folder), m_mode(mode) {}

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

bool TransferCard::prepareMgr(int m)
{
    if (m_ready.contains(m))
        return true;
    const FileItem file = mgrFile(m);
    if (file.isNull()) {
        m_lastError = EINVAL;
        return false;
    }
    if (file.exists() && m_mode == MgrMode::Fresh) {
        if (!rewriteBlank(m))
            return false;
        m_ready.insert(m);
        return true;
    }
    const MgrWriter::Opened opened = m_writer.openOrCreate(m, m_folder.posixPath());
    const bool flushed = m_writer.close();
    switch (opened) {
    case MgrWriter::Opened::Created:
        if (!flushed) {
            // A short management file would be read as damaged by every later run.
            file.remove();
            m_lastError = ENOSPC;
            return false;
        }
        break;
    case MgrWriter::Opened::Existing:
        break;
    case MgrWriter::Opened::Malformed:
        m_lastError = EILSEQ;
        return false;
    case MgrWriter::Opened::Failed:
        m_lastError = file.exists() ? EACCES : (m_folder.isFolder() ? EIO : ENOENT);
        return false;
    }
    m_ready.insert(m);
    return true;
}

bool TransferCard::rewriteBlank(int m)
{
    // In place rather than delete and create: the file already refused deletion once.
    QFile file(mgrFile(m).posixPath());
    const QByteArray fresh = newMgrFile(m);
    const bool ok = file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)
        && file.write(fresh) == fresh.size() && file.resize(fresh.size()) && file.flush();
    file.close();
    if (!ok)
        m_lastError = file.error() == QFileDevice::OpenError ? EACCES : EIO;
    return ok;
}

bool TransferCard::writeTitle(int n, const QByteArray &title)
{
    if (!isSongNumber(n) || !prepareMgr(mgrNumberOf(n)))
        return false;
    const MgrWriter::Opened opened = m_writer.openOrCreate(mgrNumberOf(n), m_folder.posixPath());
    if (opened != MgrWriter::Opened::Existing && opened != MgrWriter::Opened::Created) {
        m_writer.close();
        m_lastError = EIO;
        return false;
    }
    const bool written = m_writer.writeSong(n, title);
    const bool flushed = m_writer.close();
    if (!written || !flushed) {
        m_lastError = EIO;
        return false;
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
