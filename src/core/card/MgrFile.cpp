#include "core/card/MgrFile.h"

#include "core/card/TitleRules.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CardFormat {

namespace {

// The language tag that opens a used slot's text fields; the reader finds titles from it.
constexpr char kJaJp[5] = {0x6A, 0x61, 0x2D, 0x4A, 0x50};
constexpr qint64 kDefaultFirstPosition = 55;
constexpr qint64 kAnchorFirstByte = 40;
constexpr qint64 kAnchorLastByte = 43;
constexpr char kAnchorStop = 0x0B;
// Length byte and title field, as rewritten in place.
constexpr qint64 kRetitleSize = 1 + kTitleMax;
constexpr qint64 kClearSize = 53;
// What an edit reads of a management file; anything past the file's own bytes is kept
// as it was, up to this much.
constexpr qint64 kEditReadLimit = 1 << 20;

MgrStatus readForEdit(const QString &path, QByteArray &data)
{
    const FileBytes read = readRegularFile(path, kEditReadLimit);
    if (read.error != 0)
        return MgrStatus::CannotOpen;
    data = read.data;
    return checkManagementData(data);
}

MgrStatus writeAt(const QString &path, QByteArray data, qint64 offset, const QByteArray &bytes)
{
    // The anchor keeps every edit inside its slot; this only guards against a future slip.
    if (offset < kHeaderSize || offset + bytes.size() > kMgrFileSize)
        return MgrStatus::NoSuchSlot;
    data.replace(offset, bytes.size(), bytes);
    return writeWholeFile(path, data) == 0 ? MgrStatus::Ok : MgrStatus::WriteFailed;
}

int writeAllBytes(int fd, const char *bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes += n;
        size -= n;
    }
    return 0;
}

} // namespace

FileBytes readRegularFile(const QString &path, qint64 limit)
{
    FileBytes result;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return result;
    }
    result.data.resize(qsizetype(qMin<qint64>(limit, qMax<qint64>(st.st_size, 0))));
    qint64 have = 0;
    while (have < result.data.size()) {
        const ssize_t n = ::read(fd, result.data.data() + have, size_t(result.data.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.error = errno;
            break;
        }
        if (n == 0)
            break;
        have += n;
    }
    result.data.truncate(qsizetype(have));
    ::close(fd);
    return result;
}

int writeWholeFile(const QString &path, const QByteArray &data)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray scratch = target + ".tmp";
    // What a killed run left goes first; a folder in its place is not ours to remove.
    if (::unlink(scratch.constData()) != 0 && errno != ENOENT)
        return errno;
    const int fd = ::open(scratch.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return errno;
    int err = writeAllBytes(fd, data.constData(), data.size());
    // The rename is only as good as the bytes under it: they reach the card first.
    if (err == 0 && ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS)
        err = errno;
    if (::close(fd) != 0 && err == 0 && errno != EINTR)
        err = errno;
    if (err == 0 && std::rename(scratch.constData(), target.constData()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(scratch.constData());
    return err;
}

MgrWriter::~MgrWriter()
{
    close();
}

MgrWriter::Opened MgrWriter::openOrCreate(int m, const QString &folder)
{
    close();
    const auto name = mgrFileName(m);
    if (!name)
        return Opened::Failed;
    const QString path = QDir(folder).filePath(*name);
    m_file.setFileName(path);

    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
        // Whole or not at all: a short new file would read as damaged to every later run.
        if (writeWholeFile(path, newMgrFile(m)) != 0 || !m_file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)
            || !m_file.seek(kHeaderSize)) {
            m_file.close();
            return Opened::Failed;
        }
        m_number = m;
        return Opened::Created;
    }

    // Only a regular file is opened for writing; a FIFO would block the run for good.
    const FileBytes existing = readRegularFile(path, kMgrFileSize);
    if (existing.error != 0)
        return Opened::Failed;
    // Writing slots into a damaged file would only grow it or overwrite someone else's data.
    if (checkManagementData(existing.data) != MgrStatus::Ok)
        return Opened::Malformed;
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) || !m_file.seek(0)) {
        m_file.close();
        return Opened::Failed;
    }
    m_number = m;
    return Opened::Existing;
}

bool MgrWriter::seekSlot(int n)
{
    if (!isOpen() || !isSongNumber(n) || mgrNumberOf(n) != m_number)
        return false;
    return m_file.seek(slotOffset(slotIndexOf(n)));
}

bool MgrWriter::writeTitleRecord(const QByteArray &title, int n)
{
    // A record anywhere but in its own song's slot would give the phone a wrong title.
    if (!isOpen() || !isSongNumber(n) || mgrNumberOf(n) != m_number
        || m_file.pos() != slotOffset(slotIndexOf(n)))
        return false;
    const QByteArray record = titleRecord(n, title);
    return m_file.write(record) == record.size();
}

bool MgrWriter::writeSlotTail()
{
    if (!isOpen())
        return false;
    const qint64 pos = m_file.pos();
    if (pos < kHeaderSize || (pos - kHeaderSize) % kSlotSize != kTitleRecordSize
        || pos + (kSlotSize - kTitleRecordSize) > kMgrFileSize)
        return false;
    const QByteArray zeros(kSlotSize - kTitleRecordSize, '\0');
    return m_file.write(zeros) == zeros.size();
}

bool MgrWriter::writeSong(int n, const QByteArray &title)
{
    return seekSlot(n) && writeTitleRecord(title, n) && writeSlotTail();
}

bool MgrWriter::close()
{
    m_number = -1;
    if (!m_file.isOpen())
        return true;
    const bool flushed = m_file.flush();
    m_file.close();
    return flushed && m_file.error() == QFileDevice::NoError;
}

MgrStatus checkManagementData(const QByteArray &data)
{
    if (data.size() < kMgrFileSize)
        return MgrStatus::TooShort;
    if (!data.startsWith(QByteArrayView("CNTM", 4)))
        return MgrStatus::NotMgr;
    return MgrStatus::Ok;
}

qint64 firstLengthOffset(const QByteArray &data)
{
    qsizetype matched = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] == kJaJp[matched]) {
            if (++matched == qsizetype(sizeof kJaJp))
                return (i + 1 + 6) % kSlotSize;
        } else {
            // The byte that broke a partial match is not tried again as a new start.
            matched = 0;
        }
    }
    return kDefaultFirstPosition;
}

qint64 editAnchor(const QByteArray &data)
{
    // Starting at 40 rather than 0: a stop at the very first byte would otherwise aim the
    // edits at the header.
    qint64 anchor = kAnchorFirstByte;
    for (qint64 pos = kAnchorFirstByte; pos <= kAnchorLastByte && pos < data.size(); ++pos) {
        if (data[pos] == kAnchorStop)
            break;
        anchor = pos + 1;
    }
    return anchor;
}

MgrTitles titlesFromData(const QByteArray &data)
{
    MgrTitles result;
    result.status = checkManagementData(data);
    if (result.status != MgrStatus::Ok)
        return result;
    const QByteArray file = data.left(kMgrFileSize);
    const qint64 first = firstLengthOffset(file);
    for (int s = 0; s < kSlotCount; ++s) {
        const qint64 at = first + kSlotSize * s;
        if (at >= file.size())
            break;
        // A length above 40 is damage: the title field holds no more.
        const int length = qMin(int(static_cast<unsigned char>(file[at])), kTitleMax);
        if (length > 0)
            result.titles[s] = file.mid(at + 1, length);
    }
    return result;
}

MgrTitles readTitles(const QString &path)
{
    const FileBytes read = readRegularFile(path, kMgrFileSize);
    if (read.error != 0)
        return {};
    return titlesFromData(read.data);
}

MgrStatus retitleSlot(const QString &path, int s, const QByteArray &title)
{
    if (s < 0 || s >= kSlotCount)
        return MgrStatus::NoSuchSlot;
    QByteArray data;
    if (const MgrStatus status = readForEdit(path, data); status != MgrStatus::Ok)
        return status;
    const QByteArray cut = cutShiftJis(title, kTitleMax);
    QByteArray bytes(kRetitleSize, '\0');
    bytes[0] = char(cut.size());
    bytes.replace(1, cut.size(), cut);
    return writeAt(path, data, editAnchor(data) + kSlotSize * s + 11, bytes);
}

MgrStatus clearSlot(const QString &path, int s)
{
    if (s < 0 || s >= kSlotCount)
        return MgrStatus::NoSuchSlot;
    QByteArray data;
    if (const MgrStatus status = readForEdit(path, data); status != MgrStatus::Ok)
        return status;
    return writeAt(path, data, editAnchor(data) + kSlotSize * s, QByteArray(kClearSize, '\0'));
}

} // namespace CardFormat
