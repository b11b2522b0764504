#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SongListModel.h"

#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

/// A list without a window: the model, the renumbering and the commands.
struct Fixture {
    SongListModel songs;
    Renumbering renumber{&songs};
    SessionState props;
    CheckCommands commands{&songs, &renumber, props};

    /// One row per size in KB; `checks` as "1" and "0"; `sources` one letter per row,
    /// "S" standing for the source "Music:S:".
    void fill(const QList<qint64> &sizesKB, const QString &checks = {}, const QString &sources = {})
    {
        QList<SongRow> rows;
        for (int i = 0; i < sizesKB.size(); ++i) {
            const QString source = i < sources.size() ? u"Music:"_s + sources[i] + u':' : u"Music:"_s;
            SongRow r = SongRow::make(QString::number(i + 1), u"曲%1"_s.arg(i), u"a"_s, u"b"_s, sizesKB[i] * 1000,
                                      source + QString::number(i) + u".m4a"_s, source);
            r.checked = i >= checks.size() || checks[i] == u'1';
            rows << r;
        }
        songs.appendRows(rows);
    }
    QString checks() const
    {
        QString out;
        for (int r = 0; r < songs.rowCount(); ++r)
            out += songs.isChecked(r) ? u'1' : u'0';
        return out;
    }
    qint64 checkedKB() const
    {
        qint64 sum = 0;
        for (int r = 0; r < songs.rowCount(); ++r)
            if (songs.isChecked(r))
                sum += songs.row(r).sizeKB();
        return sum;
    }
    /// Runs what was asked for to its end.
    bool settle()
    {
        return QTest::qWaitFor([this] { return !commands.isBusy() && !renumber.isRunning(); }, 5000);
    }
    void run(const QString &command, const QList<int> &selected, const QString &source)
    {
        if (command == u"checkAllRows")
            commands.checkAllRows();
        else if (command == u"uncheckAllRows")
            commands.uncheckAllRows();
        else if (command == u"checkSelectedRows")
            commands.checkSelectedRows(selected);
        else if (command == u"uncheckSelectedRows")
            commands.uncheckSelectedRows(selected);
        else if (command == u"checkSourceRows")
            commands.checkSourceRows(source);
        else if (command == u"uncheckSourceRows")
            commands.uncheckSourceRows(source);
        else if (command == u"checkRowsOutsideSource")
            commands.checkRowsOutsideSource(source);
        else if (command == u"uncheckRowsOutsideSource")
            commands.uncheckRowsOutsideSource(source);
        else
            QFAIL("unknown command");
    }
};

QStringList titles(const SongListModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.cell(r, SongRow::Title);
    return out;
}

} // namespace

class TestCheckCommands : public QObject {
    Q_OBJECT
private slots:
    void init() { preference::resetToInitial(); }
    void statusLine_data();
    void statusLine();
    void recountShowsDashesThenTotals();
    void commandsLeaveChecksAndTotals_data();
    void commandsLeaveChecksAndTotals();
    void releasesSubtractFromPreviousTotals();
    void rowClickAddsAndSubtracts();
    void clickDuringWalkIsCounted();
    void removeSelectedRows();
    void removeWithoutSelectionDoesNothing();
    void clearDropsWaitingCommands();
    void fillRoom_data();
    void fillRoom();
    void shuffleWithoutRoomOnlyReorders();
    void shuffleFillsRoom();
    void shuffleReachesEveryOrder();
    void randomUncheck_data();
    void randomUncheck();
};

void TestCheckCommands::statusLine_data()
{
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QString>("status");
    QTest::newRow("three songs") << QList<qint64>{1000, 2500, 490} << 0 << u"選曲  3 曲、 3.99 MB"_s;
    QTest::newRow("space kept") << QList<qint64>{1000, 2500, 490} << 1 << u"選曲  3 曲、 3.99 MB*"_s;
    QTest::newRow("nothing") << QList<qint64>{} << 0 << u"選曲  0 曲、 0.00 MB"_s;
    QTest::newRow("thousands") << QList<qint64>{1234567} << 0 << u"選曲  1 曲、 1,234.57 MB"_s;
    QTest::newRow("rounds half up") << QList<qint64>{995} << 0 << u"選曲  1 曲、 1.00 MB"_s;
}

void TestCheckCommands::statusLine()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(int, keep);
    QFETCH(QString, status);
    preference::keepFreeMB = keep;
    Fixture f;
    f.fill(sizes);
    f.commands.recountTotals();
    QVERIFY(f.settle());
    QCOMPARE(f.commands.statusLine(), status);
}

void TestCheckCommands::recountShowsDashesThenTotals()
{
    Fixture f;
    f.fill({100, 200, 300}, u"010"_s);
    // A playlist row's size has a decimal part: it counts as its whole kilobytes.
    SongRow playlist = f.songs.row(0);
    playlist.cells[SongRow::Size] = u"1,171.9 KB"_s;
    playlist.checked = true;
    f.songs.appendRow(playlist);
    QSignalSpy status(&f.commands, &CheckCommands::statusChanged);
    QSignalSpy transfer(&f.commands, &CheckCommands::transferEnabledChanged);
    QSignalSpy done(&f.commands, &CheckCommands::recountFinished);
    f.commands.recountTotals();
    QVERIFY(f.settle());
    QCOMPARE(status.first().at(0).toString(), u"-- 曲、 -- MB"_s);
    QCOMPARE(status.last().at(0).toString(), u"選曲  2 曲、 1.37 MB"_s);
    QCOMPARE(f.props.checkedCount, 2);
    QCOMPARE(f.props.checkedSizeKB, 1371);
    QCOMPARE(transfer.last().at(0).toBool(), true);
    QCOMPARE(done.count(), 1);

    f.commands.uncheckAllRows();
    f.commands.recountTotals();
    QVERIFY(f.settle());
    QCOMPARE(transfer.last().at(0).toBool(), false);
}

void TestCheckCommands::commandsLeaveChecksAndTotals_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("checks");
    QTest::addColumn<QString>("sources");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("after");

    const QString S = u"Music:S:"_s;
    QTest::newRow("select all") << u"checkAllRows"_s << u"01010"_s << u"SSTTS"_s << QList<int>{} << S << u"11111"_s;
    QTest::newRow("release all") << u"uncheckAllRows"_s << u"01011"_s << u"SSTTS"_s << QList<int>{} << S << u"00000"_s;
    QTest::newRow("check selected B") << u"checkSelectedRows"_s << u"100"_s << u"SSS"_s << QList<int>{1} << S << u"110"_s;
    QTest::newRow("release selected") << u"uncheckSelectedRows"_s << u"11101"_s << u"SSSSS"_s << QList<int>{0, 3, 4} << S
                                      << u"01100"_s;
    QTest::newRow("release an unchecked selected row") << u"uncheckSelectedRows"_s << u"101"_s << u"SSS"_s << QList<int>{1}
                                                       << S << u"101"_s;
    QTest::newRow("check folder") << u"checkSourceRows"_s << u"01010"_s << u"SSTTS"_s << QList<int>{} << S << u"11001"_s;
    QTest::newRow("check folder nobody came from") << u"checkSourceRows"_s << u"11111"_s << u"SSTTS"_s << QList<int>{}
                                                   << u"Music:X:"_s << u"00000"_s;
    // The source is compared as a whole: a longer path that begins with it is another source.
    QTest::newRow("check folder, whole text") << u"checkSourceRows"_s << u"000"_s << u"SSU"_s << QList<int>{}
                                              << u"Music:S"_s << u"000"_s;
    QTest::newRow("release folder") << u"uncheckSourceRows"_s << u"11011"_s << u"SSTTS"_s << QList<int>{} << S
                                    << u"00010"_s;
    // The "except" commands look at the rows' sources; the selection plays no part.
    QTest::newRow("check others") << u"checkRowsOutsideSource"_s << u"11000"_s << u"SSTTS"_s << QList<int>{0, 1} << S
                                  << u"00110"_s;
    QTest::newRow("release others") << u"uncheckRowsOutsideSource"_s << u"00110"_s << u"SSTTS"_s << QList<int>{2} << S
                                    << u"11001"_s;
}

void TestCheckCommands::commandsLeaveChecksAndTotals()
{
    QFETCH(QString, command);
    QFETCH(QString, checks);
    QFETCH(QString, sources);
    QFETCH(QList<int>, selected);
    QFETCH(QString, source);
    QFETCH(QString, after);
    Fixture f;
    QAbstractItemModelTester tester(&f.songs, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QList<qint64> sizes;
    for (int i = 0; i < checks.size(); ++i)
        sizes << 1000 * (i + 1) + 3;
    f.fill(sizes, checks, sources);
    f.commands.recountTotals();
    QVERIFY(f.settle());

    f.run(command, selected, source);
    QVERIFY(f.settle());
    QCOMPARE(f.checks(), after);
    QCOMPARE(f.props.checkedCount, int(after.count(u'1')));
    QCOMPARE(f.props.checkedSizeKB, f.checkedKB());
    QCOMPARE(f.commands.statusLine(), CheckCommands::statusText(f.props.checkedCount, f.checkedKB(), 0));
}

void TestCheckCommands::releasesSubtractFromPreviousTotals()
{
    // The releases take what they uncheck off the totals they find; the check commands
    // count afresh.
    Fixture f;
    f.fill({100, 200, 300}, u"111"_s, u"SST"_s);
    f.props.checkedCount = 10;
    f.props.checkedSizeKB = 5000;
    f.commands.uncheckSelectedRows({0});
    f.commands.uncheckSourceRows(u"Music:T:"_s);
    QVERIFY(f.settle());
    QCOMPARE(f.props.checkedCount, 8);
    QCOMPARE(f.props.checkedSizeKB, 4600);
    f.commands.checkSelectedRows({});
    QVERIFY(f.settle());
    QCOMPARE(f.props.checkedCount, 1);
    QCOMPARE(f.props.checkedSizeKB, 200);
}

void TestCheckCommands::rowClickAddsAndSubtracts()
{
    Fixture f;
    f.fill({1000, 2500}, u"10"_s);
    SongRow playlist = f.songs.row(0);
    playlist.cells[SongRow::Size] = u"1,171.9 KB"_s;
    playlist.checked = false;
    f.songs.appendRow(playlist);
    f.commands.recountTotals();
    QVERIFY(f.settle());
    QCOMPARE(f.props.checkedSizeKB, 1000);

    // As the list's check box reports a click.
    f.songs.setData(f.songs.index(1, SongRow::Title), Qt::Checked, Qt::CheckStateRole);
    QCOMPARE(f.props.checkedCount, 2);
    QCOMPARE(f.commands.statusLine(), u"選曲  2 曲、 3.50 MB"_s);
    // On and off again gives the totals back exactly, fractional size or not.
    f.songs.setData(f.songs.index(2, SongRow::Title), Qt::Checked, Qt::CheckStateRole);
    QCOMPARE(f.props.checkedSizeKB, 4671);
    f.songs.setData(f.songs.index(2, SongRow::Title), Qt::Unchecked, Qt::CheckStateRole);
    f.songs.setData(f.songs.index(0, SongRow::Title), Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(f.props.checkedCount, 1);
    QCOMPARE(f.props.checkedSizeKB, 2500);
    // A check set by a command is not a click.
    f.songs.setChecked(0, true);
    QCOMPARE(f.props.checkedCount, 1);
}

void TestCheckCommands::clickDuringWalkIsCounted()
{
    Fixture f;
    QList<qint64> sizes(300, 10);
    f.fill(sizes);
    // The user checks row 3 again once the walk has passed it.
    bool clicked = false;
    QObject::connect(&f.songs, &QAbstractItemModel::dataChanged, &f.songs, [&](const QModelIndex &from) {
        if (!clicked && from.row() > 3) {
            clicked = true;
            f.songs.setData(f.songs.index(3, SongRow::Title), Qt::Checked, Qt::CheckStateRole);
        }
    });
    f.commands.uncheckAllRows();
    QVERIFY(f.settle());
    QVERIFY(clicked);
    QCOMPARE(f.checks().count(u'1'), 1);
    QCOMPARE(f.props.checkedCount, 1);
    QCOMPARE(f.props.checkedSizeKB, 10);
}

void TestCheckCommands::removeSelectedRows()
{
    Fixture f;
    QList<qint64> sizes;
    QList<int> selected;
    for (int i = 0; i < 60; ++i) {
        sizes << 100;
        if (i % 3 == 0 || i == 59)
            selected << i;
    }
    f.fill(sizes, u"0"_s);
    QAbstractItemModelTester tester(&f.songs, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy status(&f.commands, &CheckCommands::statusChanged);
    f.commands.removeSelectedRows(selected);
    QVERIFY(f.settle());
    QCOMPARE(f.songs.rowCount(), 39);
    QStringList expect;
    for (int i = 0; i < 59; ++i)
        if (i % 3 != 0)
            expect << u"曲%1"_s.arg(i);
    QCOMPARE(titles(f.songs), expect);
    // Renumbered and recounted (row 0, the only unchecked one, is gone).
    QCOMPARE(f.songs.cell(0, 0), u"1 "_s);
    QCOMPARE(f.songs.cell(38, 0), u"39 "_s);
    QCOMPARE(status.first().at(0).toString(), CheckCommands::countingText());
    QCOMPARE(f.props.checkedCount, 39);
    QCOMPARE(f.props.checkedSizeKB, 3900);
}

void TestCheckCommands::removeWithoutSelectionDoesNothing()
{
    Fixture f;
    f.fill({100, 200});
    QSignalSpy status(&f.commands, &CheckCommands::statusChanged);
    f.commands.removeSelectedRows({});
    QVERIFY(f.settle());
    QCOMPARE(f.songs.rowCount(), 2);
    QCOMPARE(status.count(), 0);
}

void TestCheckCommands::clearDropsWaitingCommands()
{
    Fixture f;
    f.fill({100, 200, 300});
    f.props.nextFileNumber = 40;
    QSignalSpy transfer(&f.commands, &CheckCommands::transferEnabledChanged);
    f.commands.recountTotals();
    f.commands.checkAllRows();
    f.commands.clearList();
    QVERIFY(f.settle());
    QTest::qWait(20);
    QCOMPARE(f.songs.rowCount(), 0);
    QCOMPARE(f.props.nextFileNumber, 1);
    QCOMPARE(f.props.checkedCount, 0);
    QCOMPARE(f.props.checkedSizeKB, 0);
    // The recount asked for before the clear never writes its totals over the empty line.
    QCOMPARE(f.commands.statusLine(), QString());
    QCOMPARE(transfer.count(), 1);
    QCOMPARE(transfer.last().at(0).toBool(), false);
}

void TestCheckCommands::fillRoom_data()
{
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<qint64>("room");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("status");
    QTest::newRow("first row too large") << QList<qint64>{5000, 100, 100} << qint64(1000) << u"000"_s
                                         << u"選曲  0 曲、 0.00 MB"_s;
    QTest::newRow("exact total of two") << QList<qint64>{300, 300, 400} << qint64(600) << u"100"_s
                                        << u"選曲  1 曲、 0.30 MB"_s;
    QTest::newRow("exact total of all") << QList<qint64>{300, 300, 400} << qint64(1000) << u"110"_s
                                        << u"選曲  2 曲、 0.60 MB"_s;
    QTest::newRow("strictly below") << QList<qint64>{300, 300, 400} << qint64(1001) << u"111"_s
                                    << u"選曲  3 曲、 1.00 MB"_s;
    QTest::newRow("small row after a misfit") << QList<qint64>{300, 900, 100} << qint64(1000) << u"100"_s
                                              << u"選曲  1 曲、 0.30 MB"_s;
}

void TestCheckCommands::fillRoom()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(qint64, room);
    QFETCH(QString, after);
    QFETCH(QString, status);
    Fixture f;
    f.fill(sizes, u"010"_s);
    bool done = false;
    auto run = [&]() -> coop::Task<> {
        co_await f.commands.fillRoom(room);
        done = true;
    };
    // A small thread to run the task in, as the list-folder job does.
    struct Runner final : coop::Thread {
        std::function<coop::Task<>()> body;
        coop::Task<> run() override { return body(); }
    } runner;
    runner.body = run;
    runner.start();
    QTRY_VERIFY(done);
    QCOMPARE(f.checks(), after);
    QCOMPARE(f.commands.statusLine(), status);
}

void TestCheckCommands::shuffleWithoutRoomOnlyReorders()
{
    Fixture f;
    QList<qint64> sizes;
    for (int i = 0; i < 200; ++i)
        sizes << 100 + i;
    f.fill(sizes, u"1011"_s);
    f.commands.recountTotals();
    QVERIFY(f.settle());
    const QString status = f.commands.statusLine();
    QHash<QString, bool> checkedByTitle;
    for (int r = 0; r < f.songs.rowCount(); ++r)
        checkedByTitle.insert(f.songs.cell(r, SongRow::Title), f.songs.isChecked(r));
    const QStringList before = titles(f.songs);
    QSignalSpy finished(&f.commands, &CheckCommands::shuffleFinished);

    f.commands.shuffleList();
    QVERIFY(f.settle());
    const QStringList after = titles(f.songs);
    QVERIFY(after != before);
    QCOMPARE(QSet<QString>(after.begin(), after.end()), QSet<QString>(before.begin(), before.end()));
    for (int r = 0; r < f.songs.rowCount(); ++r) {
        QCOMPARE(f.songs.isChecked(r), checkedByTitle.value(f.songs.cell(r, SongRow::Title)));
        QCOMPARE(f.songs.cell(r, 0), QString::number(r + 1) + u' ');
    }
    QCOMPARE(f.commands.statusLine(), status);
    QCOMPARE(finished.count(), 1);
}

void TestCheckCommands::shuffleFillsRoom()
{
    Fixture f;
    f.fill(QList<qint64>(10, 100), u"0000000000"_s);
    f.commands.roomToFill = [] { return qint64(450); };
    f.commands.shuffleList();
    QVERIFY(f.settle());
    QCOMPARE(f.checks(), u"1111000000"_s);
    QCOMPARE(f.commands.statusLine(), u"選曲  4 曲、 0.40 MB"_s);
}

void TestCheckCommands::shuffleReachesEveryOrder()
{
    // Six orders of three rows, each about as likely: 240 shuffles miss one with a
    // chance of about 1e-18.
    Fixture f;
    f.fill({1, 2, 3});
    QHash<QString, int> seen;
    for (int i = 0; i < 240; ++i) {
        f.commands.shuffleList();
        QTRY_VERIFY(!f.commands.isBusy());
        seen[titles(f.songs).join(u',')] += 1;
    }
    QCOMPARE(seen.size(), 6);
    for (int n : std::as_const(seen))
        QVERIFY2(n > 10, "one order far rarer than the others");
}

void TestCheckCommands::randomUncheck_data()
{
    QTest::addColumn<QString>("checks");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("unchecked");
    const QString twelve = u"010011000111"_s;
    QTest::newRow("a fifth of 12") << twelve << 2 << 2;
    QTest::newRow("all but one") << twelve << 11 << 11;
    QTest::newRow("all 12") << twelve << 12 << 12;
    QTest::newRow("more than the rows") << twelve << 20 << 12;
    QTest::newRow("none") << twelve << 0 << 0;
    QTest::newRow("negative") << twelve << -3 << 0;
}

void TestCheckCommands::randomUncheck()
{
    QFETCH(QString, checks);
    QFETCH(int, n);
    QFETCH(int, unchecked);
    Fixture f;
    f.fill(QList<qint64>(checks.size(), 250), checks);
    QSignalSpy status(&f.commands, &CheckCommands::statusChanged);
    f.commands.randomUncheck(n);
    QVERIFY(f.settle());
    QCOMPARE(int(f.checks().count(u'0')), unchecked);
    QCOMPARE(f.props.checkedCount, int(checks.size()) - unchecked);
    QCOMPARE(f.props.checkedSizeKB, 250 * (checks.size() - unchecked));
    // Ends with the full recount.
    QCOMPARE(status.first().at(0).toString(), CheckCommands::countingText());
}

QTEST_MAIN(TestCheckCommands)
#include "test_checkcommands.moc"
