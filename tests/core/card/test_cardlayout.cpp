#include "core/card/CardLayout.h"
#include "core/card/MgrFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace CardFormat;
using namespace Qt::StringLiterals;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// テスト in Shift_JIS.
const QByteArray kTesuto = QByteArray::fromHex("836583588367");

const QByteArray kSong5Abc = hex("00000005 00000001 00000011 6A612D4A50 000000000000 03 616263"
                                 "00000000000000000000000000000000000000000000000000000000000000000000000000"
                                 "0000000000000000000000000000000000000000000000000000000000000000");

} // namespace

class TestCardLayout final : public QObject {
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("song");
        QTest::addColumn<QString>("mgr");
        QTest::addColumn<int>("slot");
        QTest::addColumn<qint64>("offset");
        QTest::newRow("first") << 0 << u"SDS_0000.3G2"_s << u"SD_F_000.MGR"_s << 0 << qint64(32);
        QTest::newRow("seven") << 7 << u"SDS_0007.3G2"_s << u"SD_F_000.MGR"_s << 7 << qint64(704);
        QTest::newRow("107") << 107 << u"SDS_0107.3G2"_s << u"SD_F_001.MGR"_s << 7 << qint64(704);
        QTest::newRow("123") << 123 << u"SDS_0123.3G2"_s << u"SD_F_001.MGR"_s << 23 << qint64(2240);
        QTest::newRow("last") << 9999 << u"SDS_9999.3G2"_s << u"SD_F_099.MGR"_s << 99
                              << qint64(9536);
    }
    void names()
    {
        QFETCH(int, n);
        QFETCH(QString, song);
        QFETCH(QString, mgr);
        QFETCH(int, slot);
        QFETCH(qint64, offset);
        QCOMPARE(songFileName(n), song);
        QCOMPARE(mgrFileName(mgrNumberOf(n)), mgr);
        QCOMPARE(slotIndexOf(n), slot);
        QCOMPARE(slotOffset(slotIndexOf(n)), offset);
        QCOMPARE(songNumberFromFileName(song), n);
    }

    void refusedNumbers_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("m");
        QTest::newRow("negative") << -1 << -1;
        QTest::newRow("10000 would wrap to 0000") << 10000 << 100;
        QTest::newRow("12345 would wrap to 2345") << 12345 << 123;
    }
    void refusedNumbers()
    {
        QFETCH(int, n);
        QFETCH(int, m);
        QVERIFY(!songFileName(n));
        QVERIFY(!mgrFileName(m));
        QVERIFY(!isSongNumber(n));
    }

    void fileNamesParsedStrictly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("letters for digits") << u"SDS_12ab.3G2"_s;
        QTest::newRow("three digits") << u"SDS_123.3G2"_s;
        QTest::newRow("other extension") << u"SDS_0123.m4a"_s;
        QTest::newRow("full-width digits") << u"SDS_０１２３.3G2"_s;
        QTest::newRow("empty") << QString();
    }
    void fileNamesParsedStrictly()
    {
        QFETCH(QString, name);
        QVERIFY(!songNumberFromFileName(name));
    }

    void newFileForM1()
    {
        QTemporaryDir dir;
        MgrWriter writer;
        QCOMPARE(writer.openOrCreate(1, dir.path()), MgrWriter::Opened::Created);
        QCOMPARE(writer.position(), qint64(32));
        QVERIFY(writer.close());

        const QByteArray file = readAll(dir.filePath(u"SD_F_001.MGR"_s));
        QCOMPARE(file.size(), 9632);
        QCOMPARE(file.left(32), hex("434E544D 00100000 000025A0 0060 0064"
                                    "00000000000000000000000000000000"));
        QCOMPARE(file.mid(32, 4), hex("0000000A"));
        QCOMPARE(file.mid(32 + 96 * 99, 4), hex("0000006D"));
        for (int s = 0; s < 100; ++s) {
            const QByteArray slot = file.mid(32 + 96 * s, 96);
            QCOMPARE(slot.mid(4), QByteArray(92, '\0'));
        }
    }

    void usedSlotBytes_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("song 5 abc") << 5 << QByteArray("abc") << kSong5Abc;
        const QByteArray forty(40, 'x');
        QTest::newRow("40 bytes fill the field")
            << 5 << forty << (kSong5Abc.left(23) + char(40) + forty + QByteArray(32, '\0'));
        // 39 ASCII bytes and a two-byte character: the writer cuts before the character.
        const QByteArray thirtyNine(39, 'y');
        QTest::newRow("41 bytes cut at a character")
            << 5 << (thirtyNine + kTesuto.left(2))
            << (kSong5Abc.left(23) + char(39) + thirtyNine + QByteArray(1 + 32, '\0'));
        QTest::newRow("empty title") << 5 << QByteArray()
                                     << (kSong5Abc.left(23) + QByteArray(1 + 40 + 32, '\0'));
    }
    void usedSlotBytes()
    {
        QFETCH(int, n);
        QFETCH(QByteArray, title);
        QFETCH(QByteArray, expected);
        QCOMPARE(expected.size(), 96);
        QCOMPARE(usedSlot(n, title), expected);
    }

    // A replace-all transfer writes slot after slot of a fresh file without positioning.
    void writerFillsFreshFileInOrder()
    {
        QTemporaryDir dir;
        MgrWriter writer;
        QCOMPARE(writer.openOrCreate(0, dir.path()), MgrWriter::Opened::Created);
        for (int n = 0; n < 3; ++n) {
            QVERIFY(writer.writeTitleRecord(QByteArray("abc"), n));
            QVERIFY(writer.writeSlotTail());
        }
        QVERIFY(writer.close());
        const QByteArray file = readAll(dir.filePath(u"SD_F_000.MGR"_s));
        QCOMPARE(file.size(), 9632);
        QByteArray song2 = kSong5Abc;
        song2[3] = 2;
        QCOMPARE(file.mid(32 + 2 * 96, 96), song2);
        QCOMPARE(file.mid(32 + 3 * 96, 96), hex("00000003") + QByteArray(92, '\0'));
    }

    void writerPositionsBySongNumber()
    {
        QTemporaryDir dir;
        {
            MgrWriter writer;
            QCOMPARE(writer.openOrCreate(1, dir.path()), MgrWriter::Opened::Created);
        }
        const QString path = dir.filePath(u"SD_F_001.MGR"_s);
        const QByteArray before = readAll(path);

        MgrWriter writer;
        QCOMPARE(writer.openOrCreate(1, dir.path()), MgrWriter::Opened::Existing);
        QCOMPARE(writer.position(), qint64(0));
        // Unpositioned, the record would land on the header.
        QVERIFY(!writer.writeTitleRecord(QByteArray("abc"), 123));
        QVERIFY(!writer.seekSlot(23));  // song 23 lives in SD_F_000.MGR
        QVERIFY(writer.seekSlot(105));
        QVERIFY(!writer.writeTitleRecord(QByteArray("abc"), 123));  // slot 5 is not song 123's
        QVERIFY(!writer.writeSong(10123, QByteArray("abc")));
        QVERIFY(writer.writeSong(123, QByteArray("abc")));
        QVERIFY(writer.close());

        const QByteArray after = readAll(path);
        QCOMPARE(after.size(), 9632);
        QByteArray song123 = kSong5Abc;
        song123[3] = 123;
        QCOMPARE(after.mid(2240, 96), song123);
        QCOMPARE(after.left(2240), before.left(2240));
        QCOMPARE(after.mid(2240 + 96), before.mid(2240 + 96));
    }

    void writerNeverGrowsTheFile()
    {
        QTemporaryDir dir;
        MgrWriter writer;
        QCOMPARE(writer.openOrCreate(0, dir.path()), MgrWriter::Opened::Created);
        QVERIFY(writer.writeSong(99, QByteArray("z")));
        QCOMPARE(writer.position(), qint64(9632));
        QVERIFY(!writer.writeTitleRecord(QByteArray("z"), 100));
        QVERIFY(!writer.writeSlotTail());
        QVERIFY(writer.close());
        QCOMPARE(QFileInfo(dir.filePath(u"SD_F_000.MGR"_s)).size(), qint64(9632));
    }

    void writerLeavesDamagedFileAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("short") << newMgrFile(0).left(9631);
        QTest::newRow("no CNTM") << QByteArray(9632, 'x');
        QTest::newRow("empty") << QByteArray();
    }
    void writerLeavesDamagedFileAlone()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_000.MGR"_s);
        writeAll(path, content);
        MgrWriter writer;
        QCOMPARE(writer.openOrCreate(0, dir.path()), MgrWriter::Opened::Malformed);
        QVERIFY(!writer.isOpen());
        QVERIFY(!writer.writeSong(0, QByteArray("abc")));
        QCOMPARE(readAll(path), content);
    }

    void firstPosition_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qint64>("expected");
        QByteArray used = newMgrFile(0);
        used.replace(32, 96, usedSlot(0, QByteArray("abc")));
        QTest::newRow("this program's file") << used << qint64(55);
        QTest::newRow("all blank") << newMgrFile(3) << qint64(55);

        QByteArray laterSlot = newMgrFile(0);
        laterSlot.replace(32 + 96 * 3, 96, usedSlot(3, QByteArray("abc")));
        QTest::newRow("first used slot is 3") << laterSlot << qint64(55);

        // A layout one byte shorter before the tag puts every length byte one earlier.
        QByteArray shifted = used;
        shifted.remove(43, 1).append('\0');
        QTest::newRow("tag one byte earlier") << shifted << qint64(54);

        QByteArray restart = newMgrFile(0);
        restart.replace(16, 10, QByteArray("ja-Jxja-JP"));
        QTest::newRow("partial match then whole") << restart << qint64((26 + 6) % 96);

        // The byte that breaks a partial match is not tried as a new start.
        QByteArray overlapping = newMgrFile(0);
        overlapping.replace(16, 9, QByteArray("ja-Jja-JP"));
        QTest::newRow("overlap missed by forward scan") << overlapping << qint64(55);
    }
    void firstPosition()
    {
        QFETCH(QByteArray, data);
        QFETCH(qint64, expected);
        QCOMPARE(firstLengthOffset(data), expected);
    }

    void editAnchorOffset_data()
    {
        QTest::addColumn<QByteArray>("bytes40to43");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("this program's 00 00 00 11") << hex("00000011") << qint64(44);
        QTest::newRow("stop at 43") << hex("0000000B") << qint64(43);
        QTest::newRow("stop at 42") << hex("00000B11") << qint64(42);
        QTest::newRow("stop at 40 stays off the header") << hex("0B000011") << qint64(40);
    }
    void editAnchorOffset()
    {
        QFETCH(QByteArray, bytes40to43);
        QFETCH(qint64, expected);
        QByteArray data = newMgrFile(0);
        data.replace(40, 4, bytes40to43);
        QCOMPARE(editAnchor(data), expected);
    }

    void readBackTitles()
    {
        QTemporaryDir dir;
        MgrWriter writer;
        QCOMPARE(writer.openOrCreate(1, dir.path()), MgrWriter::Opened::Created);
        QVERIFY(writer.writeSong(100, QByteArray("abc")));
        QVERIFY(writer.writeSong(142, kTesuto));
        QVERIFY(writer.writeSong(199, QByteArray(40, 'q')));
        QVERIFY(writer.close());

        const MgrTitles read = readTitles(dir.filePath(u"SD_F_001.MGR"_s));
        QCOMPARE(read.status, MgrStatus::Ok);
        for (int s = 0; s < 100; ++s) {
            const QByteArray expected = s == 0 ? QByteArray("abc")
                : s == 42                      ? kTesuto
                : s == 99                      ? QByteArray(40, 'q')
                                               : QByteArray();
            QCOMPARE(read.titles[s], expected);
        }
    }

    void damagedLengthByteReadsAtMost40()
    {
        QByteArray data = newMgrFile(0);
        data.replace(32, 96, usedSlot(0, QByteArray(40, 'a')));
        data[55] = char(200);
        const MgrTitles read = titlesFromData(data);
        QCOMPARE(read.titles[0], QByteArray(40, 'a'));
    }

    void retitleInPlace_data()
    {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QByteArray>("field");  // length byte and 40 title bytes
        QTest::newRow("ascii") << QByteArray("Hello") << (char(5) + QByteArray("Hello")
                                                          + QByteArray(35, '\0'));
        QTest::newRow("テスト") << kTesuto << (char(6) + kTesuto + QByteArray(34, '\0'));
        const QByteArray long41 = QByteArray(39, 'a') + kTesuto.left(2);
        QTest::newRow("41 bytes cut before the character")
            << long41 << (char(39) + QByteArray(39, 'a') + QByteArray(1, '\0'));
        QTest::newRow("empty") << QByteArray() << QByteArray(41, '\0');
    }
    void retitleInPlace()
    {
        QFETCH(QByteArray, title);
        QFETCH(QByteArray, field);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_000.MGR"_s);
        QByteArray before = newMgrFile(0);
        before.replace(32 + 96 * 7, 96, usedSlot(7, QByteArray(40, 'o')));
        writeAll(path, before);

        QCOMPARE(retitleSlot(path, 7, title), MgrStatus::Ok);
        QByteArray expected = before;
        expected.replace(704 + 23, 41, field);
        QCOMPARE(readAll(path), expected);
    }

    void clearInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_001.MGR"_s);
        QByteArray before = newMgrFile(1);
        for (int s : {22, 23, 24})
            before.replace(slotOffset(s), 96, usedSlot(100 + s, QByteArray(40, 'o')));
        writeAll(path, before);

        QCOMPARE(clearSlot(path, 23), MgrStatus::Ok);
        const QByteArray after = readAll(path);
        QCOMPARE(after.mid(2240, 96), hex("0000007B 00000001 00000011") + QByteArray(84, '\0'));
        QCOMPARE(after.left(2240), before.left(2240));
        QCOMPARE(after.mid(2240 + 96), before.mid(2240 + 96));

        const MgrTitles read = readTitles(path);
        QCOMPARE(read.titles[22], QByteArray(40, 'o'));
        QVERIFY(read.titles[23].isEmpty());
        QCOMPARE(read.titles[24], QByteArray(40, 'o'));
    }

    void damagedFilesReported_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("slot");
        QTest::addColumn<MgrStatus>("expected");
        QTest::newRow("missing") << QByteArray() << false << 0 << MgrStatus::CannotOpen;
        QTest::newRow("empty") << QByteArray() << true << 0 << MgrStatus::TooShort;
        QTest::newRow("one byte short") << newMgrFile(0).left(9631) << true << 99
                                        << MgrStatus::TooShort;
        QByteArray noMagic = newMgrFile(0);
        noMagic[0] = 'X';
        QTest::newRow("no CNTM") << noMagic << true << 0 << MgrStatus::NotMgr;
        QTest::newRow("slot 100") << newMgrFile(0) << true << 100 << MgrStatus::NoSuchSlot;
        QTest::newRow("slot -1") << newMgrFile(0) << true << -1 << MgrStatus::NoSuchSlot;
    }
    void damagedFilesReported()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        QFETCH(int, slot);
        QFETCH(MgrStatus, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_000.MGR"_s);
        if (exists)
            writeAll(path, content);

        QCOMPARE(retitleSlot(path, slot, QByteArray("abc")), expected);
        QCOMPARE(clearSlot(path, slot), expected);
        QCOMPARE(QFileInfo::exists(path), exists);
        if (exists)
            QCOMPARE(readAll(path), content);
        if (expected != MgrStatus::NoSuchSlot)
            QCOMPARE(readTitles(path).status, expected);
    }
};

QTEST_GUILESS_MAIN(TestCardLayout)
#include "test_cardlayout.moc"
