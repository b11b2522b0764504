#include "core/card/MgrFile.h"

#include "core/card/TitleRules.h"

#include <QDir>
#include <QFileInfo>

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

MgrStatus openForEdit(QFile &file, QByteArray &data)
{
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return MgrStatus::CannotOpen;
    data = file.read(kMgrFileSize);
    return checkManagementData(data);
}

MgrStatus writeAt(QFile &file, qint64 offset, const QByteArray &bytes)
{
    // The anchor keeps every edit inside its slot; this only guards against a future slip.
    if (offset < kHeaderSize || offset + bytes.size() > kMgrFileSize)
        return MgrStatus::NoSuchSlot;
    if (!file.seek(offset) || file.write(bytes) != bytes.size() || !file.flush())
        return MgrStatus::WriteFailed;
    return MgrStatus::Ok;
}

} // namespace

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

    if (!QFileInfo::exists(path)) {
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly))
            return Opened::Failed;
        const QByteArray fresh = newMgrFile(m);
        if (m_file.write(fresh) != fresh.size() || !m_file.seek(kHeaderSize)) {
            m_file.close();
            return Opened::Failed;
        }
        m_number = m;
        return Opened::Created;
    }

    if (!m_file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return Opened::Failed;
    // Writing slots into a damaged file would only grow it or overwrite someone else's data.
    if (checkManagementData(m_file.read(kMgrFileSize)) != MgrStatus::Ok) {
        m_file.close();
        return Opened::Malformed;
    }
    if (!m_file.seek(0)) {
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return titlesFromData(file.read(kMgrFileSize));
}

MgrStatus retitleSlot(const QString &path, int s, const QByteArray &title)
{
    if (s < 0 || s >= kSlotCount)
        return MgrStatus::NoSuchSlot;
    QFile file(path);
    QByteArray data;
    if (const MgrStatus status = openForEdit(file, data); status != MgrStatus::Ok)
        return status;
    const QByteArray cut = cutShiftJis(title, kTitleMax);
    QByteArray bytes(kRetitleSize, '\0');
    bytes[0] = char(cut.size());
    bytes.replace(1, cut.size(), cut);
    return writeAt(file, editAnchor(data) + kSlotSize * s + 11, bytes);
}

MgrStatus clearSlot(const QString &path, int s)
{
    if (s < 0 || s >= kSlotCount)
        return MgrStatus::NoSuchSlot;
    QFile file(path);
    QByteArray data;
    if (const MgrStatus status = openForEdit(file, data); status != MgrStatus::Ok)
        return status;
    return writeAt(file, editAnchor(data) + kSlotSize * s, QByteArray(kClearSize, '\0'));
}

} // namespace CardFormat
