#include "core/card/CardLayout.h"
#include "core/cardedit/CardListing.h"
#include "core/cardedit/CardRewrite.h"
#include "core/platform/TextCodec.h"
#include "core/transfer/TransferFixture.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>

using namespace Qt::StringLiterals;
using namespace CardFormat;
using namespace transfertest;

namespace {

const QDateTime kNewest = QDateTime(QDate(2026, 12, 1), QTime(12, 30));

QString songTitle(int n) { return u"曲%1"_s.arg(n); }

/// Songs 0..count-1 on the card, each titled songTitle(n) and dated n minutes before the
/// newest, so the card's order is 0, 1, 2, ...
void makeCard(const QString &card, int count)
{
    QMap<int, QMap<int, QByteArray>> used;
    for (int n = 0; n < count; ++n) {
        used[mgrNumberOf(n)].insert(n, ShiftJis::encode(songTitle(n)));
        const QString path = card + u'/' + songName(n);
        QVERIFY(writeAll(path, QByteArray(1000 + n, char('a' + n % 26))));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(kNewest.addSecs(-60 * n), QFileDevice::FileModificationTime));
    }
    for (auto it = used.cbegin(); it != used.cend(); ++it)
        QVERIFY(writeAll(card + u'/' + mgrName(it.key()), mgrWith(it.key(), it.value())));
}

QStringList names(const QList<int> &numbers)
{
    QStringList out;
    for (int n : numbers)
        out << songName(n);
    return out;
}

QStringList listedNames(const FileItem &folder)
{
    QStringList out;
    for (const CardSong &song : CardListing::readCard(folder).songs)
        out << song.fileName;
    return out;
}

/// Slot s of a management file after a clear: bytes 12 to 64 zero, the rest as it was.
QByteArray clearedSlot(int n)
{
    return usedSlot(n, "x").replace(12, 53, QByteArray(53, '\0'));
}

} // namespace

class TestCardRewrite final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_volumes.setUp()); }
    void init() { QVERIFY(m_volumes.reset()); }

    void appliesTheList_data();
    void appliesTheList();
    void longTitleIsCutAtACharacterBoundary_data();
    void longTitleIsCutAtACharacterBoundary();
    void freedNumbersAreTakenAgainLowestFirst();
    void safetyCheckWritesNothing_data();
    void safetyCheckWritesNothing();
    void unwritableManagementFileStops_data();
    void unwritableManagementFileStops();
    void failedDeletionIsReportedAndRetitled();
    void stopBeforeWritingChangesNothing();

private:
    CardRewriteResult rewrite(CardRewrite &job, const QList<CardEditRow> &rows, const QStringList &listed);
    CardRewriteResult rewrite(const QList<CardEditRow> &rows, const QStringList &listed)
    {
        CardRewrite job;
        return rewrite(job, rows, listed);
    }

    Volumes m_volumes;
};

CardRewriteResult TestCardRewrite::rewrite(CardRewrite &job, const QList<CardEditRow> &rows, const QStringList &listed)
{
    job.setFolder(m_volumes.cardFolder());
    job.setListing(m_volumes.cardFolder(), listed);
    job.setRows(rows);
    QSignalSpy ended(&job, &CardRewrite::rewriteEnded);
    QSignalSpy finished(&job, &coop::Thread::finished);
    job.start();
    if (!finished.wait(20000) || ended.size() != 1)
        return {CardRewriteResult::Ending::Stopped, {}, u"(did not end)"_s, {}};
    // The signal carries what result() keeps.
    const auto sent = ended.at(0).at(0).value<CardRewriteResult>();
    if (sent.ending != job.result().ending || sent.failedDeletions != job.result().failedDeletions)
        return {CardRewriteResult::Ending::Stopped, {}, u"(signal and result differ)"_s, {}};
    return job.result();
}

void TestCardRewrite::appliesTheList_data()
{
    QTest::addColumn<QList<int>>("order");     // song numbers, in list order
    QTest::addColumn<QList<int>>("deleted");   // unchecked rows' songs
    QTest::addColumn<QStringList>("titles");   // the rows' titles, in list order
    QTest::addColumn<QList<int>>("expected");  // the card's order afterwards

    QTest::newRow("two of five deleted") << QList<int>{0, 1, 2, 3, 4} << QList<int>{1, 3}
                                         << QStringList{songTitle(0), songTitle(1), songTitle(2), songTitle(3), songTitle(4)}
                                         << QList<int>{0, 2, 4};
    QTest::newRow("all kept, all retitled") << QList<int>{0, 1, 2, 3, 4} << QList<int>{}
                                            << QStringList{u"一"_s, u"二"_s, u"three"_s, u"四"_s, u"五"_s}
                                            << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("a row moved to the top") << QList<int>{3, 0, 1, 2, 4} << QList<int>{}
                                            << QStringList{songTitle(3), songTitle(0), songTitle(1), songTitle(2), songTitle(4)}
                                            << QList<int>{3, 0, 1, 2, 4};
    // Rows in the order of their titles, as after sorting the listing by its title column.
    QTest::newRow("sorted by title") << QList<int>{2, 4, 1, 3, 0} << QList<int>{}
                                     << QStringList{u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s}
                                     << QList<int>{2, 4, 1, 3, 0};
    QTest::newRow("moved and deleted") << QList<int>{4, 3, 2, 1, 0} << QList<int>{4, 0}
                                       << QStringList{songTitle(4), u"改題"_s, songTitle(2), songTitle(1), songTitle(0)}
                                       << QList<int>{3, 2, 1};
}

void TestCardRewrite::appliesTheList()
{
    QFETCH(QList<int>, order);
    QFETCH(QList<int>, deleted);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, expected);
    makeCard(m_volumes.card(), 5);
    const QStringList listed = listedNames(m_volumes.cardFolder());
    QCOMPARE(listed, names({0, 1, 2, 3, 4}));

    QList<CardEditRow> rows;
    for (int k = 0; k < order.size(); ++k)
        rows.append({songName(order[k]), titles[k], !deleted.contains(order[k])});
    CardRewrite job;
    QSignalSpy progress(&job, &CardRewrite::progress);
    const QDateTime before = QDateTime::currentDateTime();
    const CardRewriteResult result = rewrite(job, rows, listed);
    const QDateTime after = QDateTime::currentDateTime();
    QCOMPARE(result.ending, CardRewriteResult::Ending::Completed);
    QVERIFY(result.failedDeletions.isEmpty());
    QVERIFY(result.message.isEmpty());
    QCOMPARE(progress.size(), 5);
    QCOMPARE(progress.last(), (QVariantList{5, 5}));

    // Byte by byte: each kept slot retitled from its row, each deleted one cleared; every
    // number and every other byte as it was.
    QByteArray mgr = newMgrFile(0);
    for (int k = 0; k < order.size(); ++k) {
        const int n = order[k];
        const QByteArray slot = deleted.contains(n) ? clearedSlot(n) : usedSlot(n, ShiftJis::encode(titles[k]));
        mgr.replace(slotOffset(n), kSlotSize, slot);
    }
    QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgr);

    for (int k = 0; k < order.size(); ++k) {
        const int n = order[k];
        const QString path = m_volumes.cardFile(songName(n));
        QCOMPARE(QFile::exists(path), !deleted.contains(n));
        if (deleted.contains(n))
            continue;
        QCOMPARE(readAll(path), QByteArray(1000 + n, char('a' + n))); // numbers and names stay
        // Row k dated k + 1 minutes before the rewrite started.
        const QDateTime time = QFileInfo(path).lastModified();
        QVERIFY2(time >= before.addSecs(-60 * (k + 1) - 1) && time <= after.addSecs(-60 * (k + 1)),
                 qPrintable(time.toString(Qt::ISODateWithMs)));
    }
    QCOMPARE(listedNames(m_volumes.cardFolder()), names(expected));
}

void TestCardRewrite::longTitleIsCutAtACharacterBoundary_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("stored");
    const QByteArray a = ShiftJis::encode(u"あ"_s);
    QTest::newRow("40 bytes fit") << QString(40, u'x') << QByteArray(40, 'x');
    QTest::newRow("41 single bytes") << QString(41, u'x') << QByteArray(40, 'x');
    QTest::newRow("two-byte character across the boundary")
        << QString(39, u'x') + u"あ"_s << QByteArray(39, 'x');
    QTest::newRow("twenty-one two-byte characters") << QString(21, u'あ') << a.repeated(20);
    QTest::newRow("odd start, two-byte run") << u"x"_s + QString(20, u'あ') << "x" + a.repeated(19);
    QTest::newRow("no ellipsis added") << QString(50, u'y') + u"…"_s << QByteArray(40, 'y');
}

void TestCardRewrite::longTitleIsCutAtACharacterBoundary()
{
    QFETCH(QString, title);
    QFETCH(QByteArray, stored);
    makeCard(m_volumes.card(), 2);
    const CardRewriteResult result = rewrite({{songName(0), songTitle(0), true}, {songName(1), title, true}}, names({0, 1}));
    QCOMPARE(result.ending, CardRewriteResult::Ending::Completed);
    const QByteArray slot = readAll(m_volumes.cardFile(mgrName(0))).mid(slotOffset(1), kSlotSize);
    QCOMPARE(slot, usedSlot(1, stored));
    QCOMPARE(int(slot.at(23)), stored.size());
}

void TestCardRewrite::freedNumbersAreTakenAgainLowestFirst()
{
    makeCard(m_volumes.card(), 5);
    QCOMPARE(rewrite({{songName(0), songTitle(0), true}, {songName(1), songTitle(1), false}, {songName(2), songTitle(2), true},
                      {songName(3), songTitle(3), false}, {songName(4), songTitle(4), true}},
                     names({0, 1, 2, 3, 4}))
                 .ending,
             CardRewriteResult::Ending::Completed);

    std::unique_ptr<SongListModel> model;
    std::unique_ptr<TransferJob> thread;
    TransferOptions options;
    freshRig(m_volumes, model, thread, options);
    options.mode = TransferOptions::Mode::Add;
    for (const QString &t : {u"新A"_s, u"新B"_s, u"新C"_s})
        model->appendRow(row(t, m_volumes.addSong(t + u".m4a"_s, t.toUtf8())));
    QVERIFY(runToEnd(*thread, options));
    dropRig(model, thread);

    // The freed numbers 1 and 3 first, then the next one after the card's songs.
    QCOMPARE(readAll(m_volumes.cardFile(songName(1))), u"新A"_s.toUtf8());
    QCOMPARE(readAll(m_volumes.cardFile(songName(3))), u"新B"_s.toUtf8());
    QCOMPARE(readAll(m_volumes.cardFile(songName(5))), u"新C"_s.toUtf8());
    const QByteArray mgr = readAll(m_volumes.cardFile(mgrName(0)));
    QCOMPARE(mgr.mid(slotOffset(1), kSlotSize), usedSlot(1, ShiftJis::encode(u"新A"_s)));
    QCOMPARE(mgr.mid(slotOffset(3), kSlotSize), usedSlot(3, ShiftJis::encode(u"新B"_s)));
}

void TestCardRewrite::safetyCheckWritesNothing_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("ending");
    QTest::addColumn<QString>("stoppedAt");
    using E = CardRewriteResult::Ending;
    QTest::newRow("a listed song gone") << u"gone"_s << int(E::CardChanged) << songName(2);
    QTest::newRow("a row's song not listed") << u"unlisted"_s << int(E::RowsNotListed) << songName(5);
    QTest::newRow("a song named twice") << u"twice"_s << int(E::RowsNotListed) << songName(0);
    QTest::newRow("another folder") << u"folder"_s << int(E::CardChanged) << QString();
    QTest::newRow("folder gone") << u"folder gone"_s << int(E::CardChanged) << QString();
}

void TestCardRewrite::safetyCheckWritesNothing()
{
    QFETCH(QString, change);
    QFETCH(int, ending);
    QFETCH(QString, stoppedAt);
    makeCard(m_volumes.card(), 6);
    QStringList listed = names({0, 1, 2, 3, 4});
    QList<CardEditRow> rows;
    for (int n = 0; n < 5; ++n)
        rows.append({songName(n), u"新"_s, n != 1});
    FileItem folder = m_volumes.cardFolder();
    if (change == u"gone"_s)
        QVERIFY(QFile::remove(m_volumes.cardFile(songName(2))));
    else if (change == u"unlisted"_s)
        rows.append({songName(5), u"新"_s, true}); // on the card, but not in the listing
    else if (change == u"twice"_s)
        rows.append({songName(0), u"新"_s, true});
    else if (change == u"folder"_s)
        folder = FileItem(m_volumes.music());
    else if (change == u"folder gone"_s)
        QVERIFY(QDir(m_volumes.card()).rename(m_volumes.card(), m_volumes.card() + u"-moved"_s));
    const Snapshot before = snapshot(change == u"folder gone"_s ? m_volumes.card() + u"-moved"_s : m_volumes.card());

    CardRewrite job;
    job.setFolder(folder);
    job.setListing(m_volumes.cardFolder(), listed);
    job.setRows(rows);
    QSignalSpy finished(&job, &coop::Thread::finished);
    job.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(int(job.result().ending), ending);
    QCOMPARE(job.result().stoppedAt, stoppedAt);
    QVERIFY(!job.result().message.isEmpty());
    QVERIFY(snapshot(change == u"folder gone"_s ? m_volumes.card() + u"-moved"_s : m_volumes.card()) == before);
}

void TestCardRewrite::unwritableManagementFileStops_data()
{
    QTest::addColumn<bool>("duringRewrite");
    QTest::newRow("found before writing") << false;
    QTest::newRow("lost while rewriting") << true;
}

void TestCardRewrite::unwritableManagementFileStops()
{
    QFETCH(bool, duringRewrite);
    makeCard(m_volumes.card(), 103);
    const QString second = m_volumes.cardFile(mgrName(1));
    const QByteArray first = readAll(m_volumes.cardFile(mgrName(0)));
    if (!duringRewrite) {
        // A folder where the file was: no one, root included, can open it for writing.
        QVERIFY(QFile::remove(second));
        QVERIFY(QDir().mkdir(second));
    }
    const Snapshot before = snapshot(m_volumes.card());

    QList<CardEditRow> rows;
    QStringList listed;
    for (int n : {0, 1, 100, 101, 2}) {
        rows.append({songName(n), u"新%1"_s.arg(n), n != 101});
        listed << songName(n);
    }
    CardRewrite job;
    // The management file turns into a folder once the checks have passed.
    job.setRemoveFunction([&](const FileItem &song) {
        const int error = song.remove();
        if (duringRewrite && QFile::remove(second))
            QDir().mkdir(second);
        return error;
    });
    const CardRewriteResult result = rewrite(job, rows, listed);
    QCOMPARE(result.ending, CardRewriteResult::Ending::MgrUnwritable);
    QCOMPARE(result.stoppedAt, mgrName(1));
    QVERIFY(result.message.contains(mgrName(1)));
    if (!duringRewrite) {
        QVERIFY(snapshot(m_volumes.card()) == before); // not even the deletion happened
        return;
    }
    // The rows before the stop stay rewritten; the row after it is untouched.
    QByteArray mgr = first;
    mgr.replace(slotOffset(0), kSlotSize, usedSlot(0, ShiftJis::encode(u"新0"_s)));
    mgr.replace(slotOffset(1), kSlotSize, usedSlot(1, ShiftJis::encode(u"新1"_s)));
    QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgr);
    QVERIFY(!QFile::exists(m_volumes.cardFile(songName(101))));
    QCOMPARE(QFileInfo(m_volumes.cardFile(songName(2))).lastModified(), kNewest.addSecs(-120));
}

void TestCardRewrite::failedDeletionIsReportedAndRetitled()
{
    makeCard(m_volumes.card(), 3);
    CardRewrite job;
    job.setRemoveFunction([](const FileItem &song) { return song.name() == songName(1) ? EACCES : song.remove(); });
    const CardRewriteResult result =
        rewrite(job, {{songName(0), u"A"_s, false}, {songName(1), u"残る"_s, false}, {songName(2), u"C"_s, true}},
                names({0, 1, 2}));
    QCOMPARE(result.ending, CardRewriteResult::Ending::Completed);
    QCOMPARE(result.failedDeletions, QStringList{songName(1)});
    QVERIFY(result.message.contains(songName(1)));
    QVERIFY(!QFile::exists(m_volumes.cardFile(songName(0))));
    QVERIFY(QFile::exists(m_volumes.cardFile(songName(1))));
    QByteArray mgr = newMgrFile(0);
    mgr.replace(slotOffset(0), kSlotSize, clearedSlot(0));
    mgr.replace(slotOffset(1), kSlotSize, usedSlot(1, ShiftJis::encode(u"残る"_s)));
    mgr.replace(slotOffset(2), kSlotSize, usedSlot(2, "C"));
    QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgr);
    // Still listed, in its row's place: before the song of the row after it.
    QCOMPARE(listedNames(m_volumes.cardFolder()), names({1, 2}));
}

void TestCardRewrite::stopBeforeWritingChangesNothing()
{
    makeCard(m_volumes.card(), 3);
    const Snapshot before = snapshot(m_volumes.card());
    CardRewrite job;
    job.setFolder(m_volumes.cardFolder());
    job.setListing(m_volumes.cardFolder(), names({0, 1, 2}));
    job.setRows({{songName(0), u"A"_s, false}, {songName(1), u"B"_s, true}});
    QSignalSpy finished(&job, &coop::Thread::finished);
    job.start();
    job.requestStop();
    QVERIFY(finished.wait(10000));
    QCOMPARE(job.result().ending, CardRewriteResult::Ending::Stopped);
    QVERIFY(snapshot(m_volumes.card()) == before);
}

QTEST_GUILESS_MAIN(TestCardRewrite)
#include "test_cardrewrite.moc"
