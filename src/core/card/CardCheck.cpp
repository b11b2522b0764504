#include "core/card/CardCheck.h"

#include "core/card/CardLayout.h"
#include "core/card/MgrFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QtEndian>

namespace CardFormat {

namespace {

struct Listing {
    QMap<QString, QString> byUpper; // upper-case name -> name on disk
};

quint32 bigEndianAt(const QByteArray &data, qint64 offset)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(data.constData() + offset));
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
    static const QRegularExpression tmpName(QStringLiteral("\\.3G2\\.TMP$"), QRegularExpression::CaseInsensitiveOption);

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
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            report(name, QStringLiteral("cannot be read"));
            continue;
        }
        const QByteArray data = f.read(kMgrFileSize + 1);
        if (data.size() != kMgrFileSize)
            report(name, QStringLiteral("size %1 bytes, expected %2").arg(f.size()).arg(kMgrFileSize));
        if (!data.startsWith("CNTM")) {
            report(name, QStringLiteral("no CNTM header"));
            continue;
        }
        if (data.size() < kMgrFileSize)
            continue;
        readableMgr.insert(number);
        const MgrTitles titles = titlesFromData(data);
        for (int s = 0; s < kSlotCount; ++s) {
            if (titles.titles[s].isEmpty())
                continue;
            const int song = number * 100 + s;
            titledSongs.insert(song);
            const quint32 stored = bigEndianAt(data, slotOffset(s));
            if (stored != quint32(song))
                report(name, QStringLiteral("slot %1 holds number %2, expected %3").arg(s).arg(stored).arg(song));
            const QString file = *songFileName(song);
            if (!files.byUpper.contains(file.toUpper()))
                report(name, QStringLiteral("slot %1 is titled but %2 is missing").arg(s).arg(file));
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
