#include "core/card/CardLayout.h"
#include "core/platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include "cli/CliRun.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

#include <memory>

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

using Run = CliRun;

} // namespace

// songkite-cli transfer and check, run as the built program against hermetic volumes.
class TestCliCard final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_volumes = m_tmp->path() + u"/volumes"_s;
        m_card = m_volumes + u"/NO NAME/PRIVATE/AU/DF/D_SD"_s;
        m_music = m_volumes + u"/HD/Music"_s;
        QVERIFY(QDir().mkpath(m_card));
        QVERIFY(QDir().mkpath(m_tmp->path() + u"/prefs"_s));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(writeFile(m_music + u"/Band/Best/0%1 Song %1.m4a"_s.arg(i), QByteArray(1000 * i, char('a' + i))));
    }

    void replaceThenCheckIsClean()
    {
        QVERIFY(writeFile(m_card + u"/SDS_0042.3G2"_s, "old"));
        QVERIFY(writeFile(m_card + u"/notes.txt"_s, "mine"));
        const Run r = run({u"transfer"_s, u"--replace"_s, m_music});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"3曲転送しました \n"_s);
        QCOMPARE(QDir(m_card).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"SDS_0000.3G2"_s, u"SDS_0001.3G2"_s, u"SDS_0002.3G2"_s, u"SD_F_000.MGR"_s, u"notes.txt"_s}));
        const Run check = run({u"check"_s});
        QCOMPARE(check.code, 0);
        QCOMPARE(check.out, QString());
    }

    void transferTakesASongList()
    {
        QStringList records;
        for (int i : {3, 1}) {
            QStringList f(25);
            f[0] = u"Song %1"_s.arg(i), f[6] = u"1000"_s, f[24] = u"HD:Music:Band:Best:0%1 Song %1.m4a"_s.arg(i);
            records << f.join(u'\t') + u'\r';
        }
        const QString list = m_tmp->path() + u"/picked.txt"_s;
        QVERIFY(writeFile(list, ShiftJis::encode(records.join(QString()))));
        const Run r = run({u"transfer"_s, u"--replace"_s, list});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"2曲転送しました \n"_s);
        // In the list's order: song 3 first.
        QCOMPARE(testsupport::readFile(m_card + u"/SDS_0000.3G2"_s), QByteArray(3000, 'd'));
        QCOMPARE(run({u"check"_s}).code, 0);
    }

    void optionsComeFromThePreferences()
    {
        // Field 20 "1": the add check box was on, so a plain transfer adds.
        QStringList fields(20);
        fields[19] = u"1"_s;
        QVERIFY(writeFile(m_tmp->path() + u"/prefs/jp.songkite.songkite.prefs"_s, (fields.join(u'\t') + u"\t\n"_s).toUtf8()));
        QVERIFY(writeFile(m_card + u"/SDS_0000.3G2"_s, "kept"));
        QByteArray mgr = CardFormat::newMgrFile(0);
        mgr.replace(CardFormat::slotOffset(0), CardFormat::kSlotSize, CardFormat::usedSlot(0, "kept"));
        QVERIFY(writeFile(m_card + u"/SD_F_000.MGR"_s, mgr));
        const Run r = run({u"transfer"_s, m_music});
        QCOMPARE(r.code, 0);
        QFile kept(m_card + u"/SDS_0000.3G2"_s);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
        QVERIFY(QFile::exists(m_card + u"/SDS_0003.3G2"_s));
        QCOMPARE(run({u"check"_s}).code, 0);
    }

    void keptSpaceStopsBeforeTheSong()
    {
        const Run r = run({u"transfer"_s, u"--replace"_s, u"--keep-space"_s, u"999999999"_s, m_music});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, u"0曲転送しました \n"_s);
        QVERIFY(!QFile::exists(m_card + u"/SDS_0000.3G2"_s));
    }

    void commandLineOverThePreferences()
    {
        // The preferences add and keep more room than any card has; the command line
        // replaces and keeps none, and a zero it gives is a value, not "unset".
        QStringList fields(20);
        fields[18] = u"999999999"_s;
        fields[19] = u"1"_s;
        QVERIFY(writeFile(m_tmp->path() + u"/prefs/jp.songkite.songkite.prefs"_s, (fields.join(u'\t') + u"\t\n"_s).toUtf8()));
        QVERIFY(writeFile(m_card + u"/SDS_0042.3G2"_s, "old"));
        const Run r = run({u"transfer"_s, u"--replace"_s, u"--keep-space"_s, u"0"_s, m_music});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"3曲転送しました \n"_s);
        QVERIFY(!QFile::exists(m_card + u"/SDS_0042.3G2"_s));
        QVERIFY(QFile::exists(m_card + u"/SDS_0002.3G2"_s));
    }

    void checkReportsAMissingSong()
    {
        QCOMPARE(run({u"transfer"_s, u"--replace"_s, u"--to"_s, m_card, m_music}).code, 0);
        QVERIFY(QFile::remove(m_card + u"/SDS_0001.3G2"_s));
        const Run r = run({u"check"_s, m_card});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, u"SD_F_000.MGR: slot 1 is titled but SDS_0001.3G2 is missing\n"_s);
    }

    void wrongUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no source") << QStringList{u"transfer"_s} << 2;
        QTest::newRow("unknown option") << QStringList{u"transfer"_s, u"--fast"_s, u"x"_s} << 2;
        QTest::newRow("bad order") << QStringList{u"transfer"_s, u"--title-order"_s, u"19"_s, u"x"_s} << 2;
        QTest::newRow("bad bytes") << QStringList{u"transfer"_s, u"--title-bytes"_s, u"20,20"_s, u"x"_s} << 2;
        QTest::newRow("missing space value") << QStringList{u"transfer"_s, u"x"_s, u"--keep-space"_s} << 2;
        QTest::newRow("two folders to check") << QStringList{u"check"_s, u"a"_s, u"b"_s} << 2;
        QTest::newRow("missing source") << QStringList{u"transfer"_s, u"/no/such/folder"_s} << 1;
    }

    void wrongUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        const Run r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(QDir(m_card).entryList(QDir::Files), QStringList());
    }

    void badOptionValues_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("named");
        const QString keep = u"--keep-space"_s;
        const QString bytes = u"--title-bytes"_s;
        QTest::newRow("a number with a unit") << QStringList{keep, u"999999x"_s} << keep;
        QTest::newRow("a negative number") << QStringList{keep, u"-1"_s} << keep;
        QTest::newRow("an empty number") << QStringList{keep, QString()} << keep;
        QTest::newRow("a number past nine digits") << QStringList{keep, u"1000000000"_s} << keep;
        QTest::newRow("a blank before the number") << QStringList{keep, u" 5"_s} << keep;
        QTest::newRow("全角の数字") << QStringList{keep, u"１２"_s} << keep;
        QTest::newRow("a given value after a good one") << QStringList{keep, u"5"_s, keep, u"5MB"_s} << keep;
        QTest::newRow("one of three bytes is no number") << QStringList{bytes, u"20,10,1x"_s} << bytes;
        QTest::newRow("two bytes of three") << QStringList{bytes, u"20,10"_s} << bytes;
        QTest::newRow("an empty byte count") << QStringList{bytes, u"20,,20"_s} << bytes;
        QTest::newRow("a negative byte count") << QStringList{bytes, u"20,-10,30"_s} << bytes;
        QTest::newRow("an order with a line break")
            << QStringList{u"--title-order"_s, u"123\n"_s} << u"--title-order"_s;
        QTest::newRow("an empty destination") << QStringList{u"--to"_s, QString()} << u"--to"_s;
        QTest::newRow("a value for a switch") << QStringList{u"--add=1"_s} << u"--add"_s;
    }
    void badOptionValues()
    {
        // Accepted, each of these would replace the card's songs.
        QFETCH(QStringList, options);
        QFETCH(QString, named);
        QVERIFY(writeFile(m_card + u"/SDS_0000.3G2"_s, "old"));
        const Run r = run(QStringList{u"transfer"_s, u"--replace"_s} + options + QStringList{m_music});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(u"songkite-cli: "_s + named), qPrintable(r.err));
        QVERIFY2(r.err.endsWith(u"\nTry songkite-cli --help\n"_s), qPrintable(r.err));
        QCOMPARE(r.err.count(u'\n'), 2);
        QCOMPARE(QDir(m_card).entryList(QDir::Files), QStringList{u"SDS_0000.3G2"_s});
        QCOMPARE(readFile(m_card + u"/SDS_0000.3G2"_s), QByteArray("old"));
    }

private:
    Run run(const QStringList &args) { return runCli(args, m_volumes, m_tmp->path() + u"/prefs"_s); }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_volumes;
    QString m_card;
    QString m_music;
};

QTEST_GUILESS_MAIN(TestCliCard)
#include "test_cli_card.moc"
