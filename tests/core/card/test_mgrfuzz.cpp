#include "core/card/CardLayout.h"
#include "core/card/MgrFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace CardFormat;
using namespace Qt::StringLiterals;

namespace {

QByteArray randomBytes(QRandomGenerator &gen, qsizetype size)
{
    QByteArray out(size, '\0');
    for (char &c : out)
        c = char(gen.bounded(256));
    return out;
}

// Damaged and foreign files: random bytes, sometimes with a valid magic, sometimes with the
// tags the readers look for planted where they would matter.
QByteArray randomMgr(QRandomGenerator &gen)
{
    static const qsizetype sizes[] = {0, 3, 4, 55, 100, 9535, 9631, 9632, 9632, 9632, 12000};
    QByteArray data = randomBytes(gen, sizes[gen.bounded(int(std::size(sizes)))]);
    if (data.size() >= 4 && gen.bounded(4) != 0)
        data.replace(0, 4, "CNTM");
    if (data.size() >= 9632 && gen.bounded(2) == 0)
        data.replace(gen.bounded(9627), 5, "ja-JP");
    if (data.size() >= 44 && gen.bounded(2) == 0)
        data[40 + gen.bounded(4)] = 0x0B;
    return data;
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every changed byte lies in [from, to).
void verifyChangesWithin(const QByteArray &before, const QByteArray &after, qint64 from,
                         qint64 to)
{
    QCOMPARE(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (before[i] != after[i]) {
            QVERIFY2(i >= from && i < to,
                     qPrintable(u"byte %1 changed outside [%2, %3)"_s.arg(i).arg(from).arg(to)));
        }
    }
}

constexpr quint32 kSeed = 20240917;

} // namespace

class TestMgrFuzz final : public QObject {
    Q_OBJECT

private slots:
    void readerAndEditorStayInside()
    {
        QRandomGenerator gen(kSeed);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_000.MGR"_s);
        for (int round = 0; round < 400; ++round) {
            const QByteArray data = randomMgr(gen);
            const bool valid = data.size() >= 9632 && data.startsWith("CNTM");
            writeAll(path, data);

            const MgrTitles read = readTitles(path);
            QCOMPARE(read.status == MgrStatus::Ok, valid);
            for (const QByteArray &title : read.titles)
                QVERIFY(title.size() <= kTitleMax);

            const int slot = gen.bounded(-3, 104);
            const bool editable = valid && slot >= 0 && slot < 100;
            const qint64 slotStart = slotOffset(slot);
            const QByteArray title = randomBytes(gen, gen.bounded(60));
            if (gen.bounded(2) == 0)
                QCOMPARE(retitleSlot(path, slot, title) == MgrStatus::Ok, editable);
            else
                QCOMPARE(clearSlot(path, slot) == MgrStatus::Ok, editable);
            const QByteArray after = readAll(path);
            if (editable)
                verifyChangesWithin(data, after, slotStart, slotStart + kSlotSize);
            else
                QCOMPARE(after, data);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void truncatedFilesUntouched()
    {
        QRandomGenerator gen(kSeed + 1);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_001.MGR"_s);
        QByteArray full = newMgrFile(1);
        for (int s = 0; s < 100; s += 3)
            full.replace(slotOffset(s), kSlotSize, usedSlot(100 + s, randomBytes(gen, 40)));
        for (int round = 0; round < 100; ++round) {
            const QByteArray data = full.left(gen.bounded(9632));
            writeAll(path, data);
            QCOMPARE(readTitles(path).status, MgrStatus::TooShort);
            QCOMPARE(retitleSlot(path, gen.bounded(100), QByteArray("abc")),
                     MgrStatus::TooShort);
            QCOMPARE(clearSlot(path, gen.bounded(100)), MgrStatus::TooShort);
            QCOMPARE(readAll(path), data);

            MgrWriter writer;
            QCOMPARE(writer.openOrCreate(1, dir.path()), MgrWriter::Opened::Malformed);
            QVERIFY(!writer.writeSong(100 + gen.bounded(100), QByteArray("abc")));
            QCOMPARE(readAll(path), data);
        }
    }

    void writerStaysInsideExistingFiles()
    {
        QRandomGenerator gen(kSeed + 2);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SD_F_002.MGR"_s);
        for (int round = 0; round < 200; ++round) {
            const QByteArray data = randomMgr(gen);
            writeAll(path, data);
            const int n = 200 + gen.bounded(100);
            {
                MgrWriter writer;
                const auto opened = writer.openOrCreate(2, dir.path());
                const bool valid = data.size() >= 9632 && data.startsWith("CNTM");
                QCOMPARE(opened, valid ? MgrWriter::Opened::Existing
                                       : MgrWriter::Opened::Malformed);
                QCOMPARE(writer.writeSong(n, randomBytes(gen, gen.bounded(50))), valid);
                QVERIFY(writer.close());
            }
            const qint64 slotStart = slotOffset(slotIndexOf(n));
            verifyChangesWithin(data, readAll(path), slotStart, slotStart + kSlotSize);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(TestMgrFuzz)
#include "test_mgrfuzz.moc"
