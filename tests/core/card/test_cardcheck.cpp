#include "core/card/CardCheck.h"
#include "core/card/CardLayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace CardFormat;

namespace {

void put(const QString &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir + u'/' + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Management file 0 with songs 0 and 1 titled, and both song files: a consistent card.
void consistentCard(const QString &dir)
{
    QByteArray mgr = newMgrFile(0);
    mgr.replace(slotOffset(0), kSlotSize, usedSlot(0, "abc"));
    mgr.replace(slotOffset(1), kSlotSize, usedSlot(1, "\x83\x65\x83\x58\x83\x67")); // テスト
    put(dir, u"SD_F_000.MGR"_s, mgr);
    put(dir, u"SDS_0000.3G2"_s, "song0");
    put(dir, u"SDS_0001.3G2"_s, "song1");
    put(dir, u"readme.txt"_s, "other files are not the card's business");
}

} // namespace

class TestCardCheck : public QObject {
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
    void missingFolder();
};

void TestCardCheck::findings_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("consistent") << u""_s << QStringList();
    QTest::newRow("song file missing") << u"rm SDS_0001.3G2"_s
                                       << QStringList{u"SD_F_000.MGR: slot 1 is titled but SDS_0001.3G2 is missing"_s};
    QTest::newRow("untitled song file") << u"add SDS_0002.3G2"_s
                                        << QStringList{u"SDS_0002.3G2: no titled slot in SD_F_000.MGR"_s};
    QTest::newRow("song without its management file")
        << u"add SDS_0150.3G2"_s << QStringList{u"SDS_0150.3G2: no titled slot: SD_F_001.MGR is missing"_s};
    QTest::newRow("short management file")
        << u"truncate"_s
        << QStringList{u"SD_F_000.MGR: size 9000 bytes, expected 9632"_s};
    QTest::newRow("no header") << u"badmagic"_s
                               << QStringList{u"SD_F_000.MGR: no CNTM header"_s};
    QTest::newRow("slot number not its song's")
        << u"renumber"_s << QStringList{u"SD_F_000.MGR: slot 1 holds number 7, expected 1"_s};
    QTest::newRow("five-digit song") << u"add SDS_10000.3G2"_s
                                     << QStringList{u"SDS_10000.3G2: song number out of range"_s};
    QTest::newRow("management number out of range")
        << u"add SD_F_100.MGR"_s << QStringList{u"SD_F_100.MGR: management file number out of range"_s};
    QTest::newRow("partial copy") << u"add SDS_0002.3G2.tmp"_s
                                  << QStringList{u"SDS_0002.3G2.tmp: partial copy left behind"_s};
    // Byte offset in the file, then the bytes put there.
    QTest::newRow("header field of another program")
        << u"poke 11 01"_s << QStringList{u"SD_F_000.MGR: header differs from the one this program writes"_s};
    QTest::newRow("fixed bytes of a used slot")
        << u"poke 139 12"_s << QStringList{u"SD_F_000.MGR: slot 1 has wrong fixed bytes"_s};
    QTest::newRow("ja-JP of a used slot")
        << u"poke 140 6B"_s << QStringList{u"SD_F_000.MGR: slot 1 has wrong fixed bytes"_s};
    QTest::newRow("length byte above 40")
        << u"poke 151 29"_s << QStringList{u"SD_F_000.MGR: slot 1 title length 41, at most 40"_s};
    QTest::newRow("a lead byte without its trail byte")
        << u"poke 151 05"_s << QStringList{u"SD_F_000.MGR: slot 1 title is not valid Shift_JIS"_s};
    QTest::newRow("a byte no character starts with")
        << u"poke 56 FD"_s << QStringList{u"SD_F_000.MGR: slot 0 title is not valid Shift_JIS"_s};
    QTest::newRow("stray bytes in a blank slot")
        << u"poke 231 01"_s << QStringList{u"SD_F_000.MGR: slot 2 has wrong fixed bytes"_s};
    QTest::newRow("a FIFO for a management file is reported, not waited for")
        << u"fifo SD_F_001.MGR"_s << QStringList{u"SD_F_001.MGR: cannot be read (Invalid argument)"_s};
    QTest::newRow("a scratch management file left behind")
        << u"add SD_F_000.MGR.tmp"_s << QStringList{u"SD_F_000.MGR.tmp: partial copy left behind"_s};
}

void TestCardCheck::findings()
{
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    consistentCard(dir);
    const QString arg = change.section(u' ', 1);
    if (change.startsWith(u"rm "_s)) {
        QVERIFY(QFile::remove(dir + u'/' + arg));
    } else if (change.startsWith(u"add "_s)) {
        put(dir, arg, "x");
    } else if (change == u"truncate"_s) {
        QVERIFY(QFile::resize(dir + u"/SD_F_000.MGR"_s, 9000));
    } else if (change == u"badmagic"_s) {
        QFile f(dir + u"/SD_F_000.MGR"_s);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.write("XNTM");
    } else if (change.startsWith(u"poke "_s)) {
        QFile f(dir + u"/SD_F_000.MGR"_s);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek(change.section(u' ', 1, 1).toInt()));
        QVERIFY(f.write(QByteArray::fromHex(change.section(u' ', 2).toLatin1())) > 0);
    } else if (change.startsWith(u"fifo "_s)) {
        QCOMPARE(::mkfifo(QFile::encodeName(dir + u'/' + arg).constData(), 0644), 0);
    } else if (change == u"renumber"_s) {
        QFile f(dir + u"/SD_F_000.MGR"_s);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(slotOffset(1));
        f.write(QByteArray::fromHex("00000007"));
    }
    QCOMPARE(checkCardFolder(dir), expected);
}

void TestCardCheck::missingFolder()
{
    QTemporaryDir tmp;
    const QStringList got = checkCardFolder(tmp.path() + u"/nope"_s);
    QCOMPARE(got.size(), 1);
    QVERIFY(got.first().endsWith(u": folder not found"_s));
}

QTEST_MAIN(TestCardCheck)
#include "test_cardcheck.moc"
