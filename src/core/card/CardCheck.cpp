#include "core/card/CardCheck.h"

#include "core/card/CardLayout.h"
#include "core/card/MgrFile.h"
#include "core/card/TitleRules.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <functional>

namespace CardFormat {

namespace {

struct Listing {
    QMap<QString, QString> byUpper; // upper-case name -> name on disk
};

quint32 bigEndianAt(const QByteArray &data, qint64 offset)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(data.constData() + offset));
}

// Where a used slot keeps its fixed bytes, length byte and title.
constexpr qint64 kFixedFrom = 4;
constexpr qint64 kLengthAt = 23;
constexpr qint64 kTitleAt = 24;

bool isSjisTrailByte(uchar byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

/// Whole Shift_JIS characters only: every lead byte has its trail byte, no byte stands where
/// no character starts.
bool isValidShiftJis(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar byte = uchar(bytes[i]);
        if (isSjisLeadByte(char(byte))) {
            if (++i >= bytes.size() || !isSjisTrailByte(uchar(bytes[i])))
                return false;
        } else if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) {
            return false;
        }
    }
    return true;
}

/// Slot s of a whole management file as the phone reads it: a used slot is one with
/// anything past its number.
void checkSlots(const QByteArray &data, int mgrNumber, QSet<int> &titledSongs,
                const std::function<void(const QString &)> &report)
{
    const QByteArray fixed = titleRecord(0, QByteArray()).mid(kFixedFrom, kLengthAt - kFixedFrom);
    for (int s = 0; s < kSlotCount; ++s) {
        const QByteArray slot = data.mid(slotOffset(s), kSlotSize);
        const QByteArray rest = slot.mid(kFixedFrom);
        if (rest.count('\0') == rest.size())
            continue;
        const int song = mgrNumber * 100 + s;
        const quint32 stored = bigEndianAt(slot, 0);
        if (stored != quint32(song))
            report(QStringLiteral("slot %1 holds number %2, expected %3").arg(s).arg(stored).arg(song));
        if (slot.mid(kFixedFrom, fixed.size()) != fixed)
            report(QStringLiteral("slot %1 has wrong fixed bytes").arg(s));
        const int length = uchar(slot[kLengthAt]);
        if (length > kTitleMax)
            report(QStringLiteral("slot %1 title length %2, at most %3").arg(s).arg(length).arg(kTitleMax));
        else if (!isValidShiftJis(slot.mid(kTitleAt, length)))
            report(QStringLiteral("slot %1 title is not valid Shift_JIS").arg(s));
    }
    const MgrTitles titles = titlesFromData(data);
    for (int s = 0; s < kSlotCount; ++s) {
        if (!titles.titles[s].isEmpty())
            titledSongs.insert(mgrNumber * 100 + s);
    }
}

} // namespace

QStringList checkCardFolder(const QString &posixFolder)
{
    QDir dir(posixFolder);
    if (!dir.exists())
        return {posixFolder + QStringLiteral(": folder not found")};
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    Listing files;
    for (const QString &n : names)
        files.byUpper.insert(n.toUpper(), n);

    // name -> problems, so the report comes out in file-name order.
    QMap<QString, QStringList> problems;
    auto report = [&problems](const QString &name, const QString &text) { problems[name] << text; };

    static const QRegularExpression mgrName(QStringLiteral("^SD_F_(\\d+)\\.MGR$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression songName(QStringLiteral("^SDS_(\\d+)\\.3G2$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tmpName(QStringLiteral("\\.(3G2|MGR)\\.TMP$"), QRegularExpression::CaseInsensitiveOption);

    QSet<int> titledSongs;
    QSet<int> readableMgr;
    for (const QString &name : names) {
        const auto m = mgrName.match(name);
        if (!m.hasMatch())
            continue;
        const int number = m.captured(1).toInt();
        if (m.captured(1).size() != 3 || number > kMaxMgrNumber) {
            report(name, QStringLiteral("management file number out of range"));
            continue;
        }
        // Only a regular file is read, and never waited for: a FIFO must not hang the check.
        const FileBytes read = readRegularFile(dir.filePath(name), kMgrFileSize + 1);
        if (read.error != 0) {
            report(name, QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(read.error))));
            continue;
        }
        const QByteArray &data = read.data;
        if (data.size() != kMgrFileSize)
            report(name, QStringLiteral("size %1 bytes, expected %2").arg(QFileInfo(dir.filePath(name)).size()).arg(kMgrFileSize));
        if (!data.startsWith("CNTM")) {
            report(name, QStringLiteral("no CNTM header"));
            continue;
        }
        if (data.size() < kMgrFileSize)
            continue;
        if (data.left(kHeaderSize) != headerBytes())
            report(name, QStringLiteral("header differs from the one this program writes"));
        readableMgr.insert(number);
        QSet<int> titled;
        checkSlots(data, number, titled, [&](const QString &text) { report(name, text); });
        QList<int> songs(titled.cbegin(), titled.cend());
        std::sort(songs.begin(), songs.end());
        for (const int song : std::as_const(songs)) {
            titledSongs.insert(song);
            const QString file = *songFileName(song);
            if (!files.byUpper.contains(file.toUpper()))
                report(name, QStringLiteral("slot %1 is titled but %2 is missing").arg(slotIndexOf(song)).arg(file));
        }
    }

    for (const QString &name : names) {
        if (tmpName.match(name).hasMatch()) {
            report(name, QStringLiteral("partial copy left behind"));
            continue;
        }
        const auto m = songName.match(name);
        if (!m.hasMatch())
            continue;
        if (m.captured(1).size() != 4) {
            report(name, QStringLiteral("song number out of range"));
            continue;
        }
        const int song = m.captured(1).toInt();
        if (titledSongs.contains(song))
            continue;
        const QString mgr = *mgrFileName(mgrNumberOf(song));
        if (!files.byUpper.contains(mgr.toUpper()))
            report(name, QStringLiteral("no titled slot: %1 is missing").arg(mgr));
        else if (readableMgr.contains(mgrNumberOf(song)))
            report(name, QStringLiteral("no titled slot in %1").arg(mgr));
        // An unreadable management file is reported once, above.
    }

    QStringList out;
    for (auto it = problems.cbegin(); it != problems.cend(); ++it)
        for (const QString &p : it.value())
            out << it.key() + QStringLiteral(": ") + p;
    return out;
}

} // namespace CardFormat
