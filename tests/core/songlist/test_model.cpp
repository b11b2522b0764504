#include "core/songlist/DataList.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SongListModel.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

SongRow songRow(const QString &title, qint64 bytes, const QString &number = u"0"_s)
{
    return SongRow::make(number, title, u"Artist"_s, u"Album"_s, bytes, u"Music:"_s + title + u".m4a"_s, u"Music"_s);
}

QStringList column(const SongListModel &m, int c)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.cell(r, c);
    return out;
}

QStringList numbersUpTo(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QString::number(i) + u" "_s;
    return out;
}

} // namespace

class TestSongListModel : public QObject {
    Q_OBJECT
private slots:
    void formatSize_data();
    void formatSize();
    void readSizeCell_data();
    void readSizeCell();
    void newRowHasSevenCellsAndIsChecked();
    void compareRows_data();
    void compareRows();
    void sortSizeIsNumericAndStable();
    void sortTitleThenNumberReverses();
    void sortManyEqualKeysKeepsOrder();
    void moveRows_data();
    void moveRows();
    void moveKeepsSelectionOnRows();
    void dragDropMovesOnce();
    void removeRowsAtGaps();
    void removeManyScatteredRows();
    void updateChecksSignalsOnlyChangedRuns();
    void checkSignalsOnlyRealChange();
    void modelTesterThroughEdits();
    void renumberFirstRowsThenAll();
    void renumberEmptyListDoesNothing();
    void renumberRestartEndsNumbered();
    void renumberSurvivesRemoval();
    void dataList();
    void sortBenchmark();
};

void TestSongListModel::formatSize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("worked example") << qint64(4321987) << u"4,322 KB "_s;
    QTest::newRow("zero") << qint64(0) << u"0 KB "_s;
    QTest::newRow("rounds half up") << qint64(1500) << u"2 KB "_s;
    QTest::newRow("rounds down") << qint64(1499) << u"1 KB "_s;
    QTest::newRow("no separator below 1000") << qint64(999499) << u"999 KB "_s;
    QTest::newRow("millions") << qint64(1234567890) << u"1,234,568 KB "_s;
}

void TestSongListModel::formatSize()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(SongSize::formatKB(bytes), text);
}

void TestSongListModel::readSizeCell_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<double>("value");
    QTest::newRow("song row") << u"4,322 KB "_s << 4322.0;
    QTest::newRow("playlist row") << u"1,171.9 KB"_s << 1171.9;
    QTest::newRow("bare number") << u"12"_s << 12.0;
    QTest::newRow("blanks inside") << u" 1 234 KB "_s << 1234.0;
    QTest::newRow("text") << u"サイズ"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
}

void TestSongListModel::readSizeCell()
{
    QFETCH(QString, cell);
    QFETCH(double, value);
    QCOMPARE(SongSize::readCell(cell), value);
}

void TestSongListModel::newRowHasSevenCellsAndIsChecked()
{
    SongListModel m;
    m.appendRow(SongRow::make(u"1"_s, u"夜空"_s, u"歌手"_s, u"盤"_s, 4321987, u"Linux:Music:夜空.m4a"_s, u"Linux:Music:"_s));
    QCOMPARE(m.columnCount(), 7);
    QCOMPARE(column(m, SongRow::Artist), QStringList{u" 歌手"_s});
    QCOMPARE(column(m, SongRow::Album), QStringList{u" 盤"_s});
    QCOMPARE(m.data(m.index(0, 1), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(!m.data(m.index(0, 2), Qt::CheckStateRole).isValid());
    QVERIFY(m.flags(m.index(0, 1)) & Qt::ItemIsUserCheckable);
    QCOMPARE(m.data(m.index(0, 4), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    QCOMPARE(m.data(m.index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    QCOMPARE(m.data(m.index(0, 2), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, 0);
    QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), u"曲名"_s);
}

void TestSongListModel::compareRows_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("result");
    QTest::newRow("950 before 1,200") << u"950 KB "_s << u"1,200 KB "_s << 4 << -1;
    QTest::newRow("1,200 after 950") << u"1,200 KB "_s << u"950 KB "_s << 4 << 1;
    QTest::newRow("equal sizes say before") << u"500 KB "_s << u"500 KB "_s << 4 << -1;
    QTest::newRow("playlist size truncates") << u"1,171.9 KB"_s << u"1,171 KB "_s << 4 << -1;
    QTest::newRow("numbers numeric") << u"10 "_s << u"9 "_s << 0 << 1;
}

void TestSongListModel::compareRows()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, column);
    QFETCH(int, result);
    SongListModel m;
    SongRow r1 = songRow(u"x"_s, 0), r2 = songRow(u"y"_s, 0);
    r1.cells[column] = a;
    r2.cells[column] = b;
    m.appendRows({r1, r2});
    QCOMPARE(m.compareRows(0, 1, column), result);
    if (a == b)
        QCOMPARE(m.compareRows(1, 0, column), -1);
}

void TestSongListModel::sortSizeIsNumericAndStable()
{
    SongListModel m;
    m.appendRows({songRow(u"big"_s, 1200000), songRow(u"small"_s, 950000), songRow(u"eqA"_s, 1171000),
                  songRow(u"eqB"_s, 1171000)});
    SongRow playlist = songRow(u"playlist"_s, 0);
    playlist.cells[SongRow::Size] = u"1,171.9 KB"_s; // reads as 1171, equal to the two above
    m.appendRow(playlist);
    m.sort(SongRow::Size, Qt::AscendingOrder);
    QCOMPARE(column(m, 1), (QStringList{u"small"_s, u"eqA"_s, u"eqB"_s, u"playlist"_s, u"big"_s}));
    m.sort(SongRow::Size, Qt::DescendingOrder);
    QCOMPARE(column(m, 1), (QStringList{u"big"_s, u"eqA"_s, u"eqB"_s, u"playlist"_s, u"small"_s}));
}

void TestSongListModel::sortTitleThenNumberReverses()
{
    SongListModel m;
    Renumbering renumber(&m);
    m.appendRows({songRow(u"か"_s, 1), songRow(u"あ"_s, 2), songRow(u"さ"_s, 3), songRow(u"B"_s, 4)});
    m.sort(SongRow::Title, Qt::AscendingOrder);
    renumber.start();
    QTRY_VERIFY(!renumber.isRunning());
    const QStringList titleOrder = column(m, 1);
    QCOMPARE(column(m, 0), numbersUpTo(4));
    m.sort(SongRow::Number, Qt::DescendingOrder);
    renumber.start();
    QTRY_VERIFY(!renumber.isRunning());
    QStringList reversed(titleOrder.rbegin(), titleOrder.rend());
    QCOMPARE(column(m, 1), reversed);
    QCOMPARE(column(m, 0), numbersUpTo(4));
}

void TestSongListModel::sortManyEqualKeysKeepsOrder()
{
    // A comparison that answers "before" for equal keys would send an unstable sort astray
    // on a large list; the order of equal rows must survive untouched.
    SongListModel m;
    QList<SongRow> rows;
    for (int i = 0; i < 5000; ++i)
        rows << songRow(QString::number(i), (i % 3) * 1000);
    m.appendRows(rows);
    m.sort(SongRow::Size, Qt::AscendingOrder);
    int last = -1;
    qint64 lastSize = -1;
    for (int r = 0; r < m.rowCount(); ++r) {
        const int id = m.cell(r, 1).toInt();
        const qint64 size = m.row(r).sizeKB();
        QVERIFY(size >= lastSize);
        if (size == lastSize)
            QVERIFY(id > last);
        last = id;
        lastSize = size;
    }
}

void TestSongListModel::moveRows_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("destination");
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("firstAt");
    QTest::newRow("two to the top") << QList<int>{1, 3} << 0 << u"BDACE"_s << 0;
    QTest::newRow("two to the end") << QList<int>{0, 2} << 5 << u"BDEAC"_s << 3;
    QTest::newRow("down into the middle") << QList<int>{0} << 3 << u"BCADE"_s << 2;
    QTest::newRow("up into the middle") << QList<int>{4} << 1 << u"AEBCD"_s << 1;
    QTest::newRow("onto itself") << QList<int>{2} << 2 << u"ABCDE"_s << 2;
    QTest::newRow("out of range ignored") << QList<int>{9} << 0 << u"ABCDE"_s << -1;
}

void TestSongListModel::moveRows()
{
    QFETCH(QList<int>, rows);
    QFETCH(int, destination);
    QFETCH(QString, order);
    QFETCH(int, firstAt);
    SongListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (QChar c : u"ABCDE"_s)
        m.appendRow(songRow(QString(c), 1));
    QCOMPARE(m.moveRowsTo(rows, destination), firstAt);
    QCOMPARE(column(m, 1).join(QString()), order);
}

void TestSongListModel::moveKeepsSelectionOnRows()
{
    SongListModel m;
    for (QChar c : u"ABCDE"_s)
        m.appendRow(songRow(QString(c), 1));
    QItemSelectionModel sel(&m);
    sel.select(m.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m.moveRowsTo({3}, 0);
    QCOMPARE(sel.selectedRows().size(), 1);
    QCOMPARE(m.cell(sel.selectedRows().first().row(), 1), u"D"_s);
}

void TestSongListModel::dragDropMovesOnce()
{
    SongListModel m;
    for (QChar c : u"ABCDE"_s)
        m.appendRow(songRow(QString(c), 1));
    QSignalSpy dragged(&m, &SongListModel::rowsDragged);
    std::unique_ptr<QMimeData> mime(m.mimeData({m.index(0, 1), m.index(0, 2), m.index(1, 1)}));
    // The drop reports "not done" so the view never removes the source rows a second time.
    QVERIFY(!m.dropMimeData(mime.get(), Qt::MoveAction, 4, 0, {}));
    QCOMPARE(column(m, 1).join(QString()), u"CDABE"_s);
    QCOMPARE(dragged.count(), 1);
    // Rows from another list are not taken.
    SongListModel other;
    other.appendRow(songRow(u"X"_s, 1));
    std::unique_ptr<QMimeData> foreign(other.mimeData({other.index(0, 1)}));
    m.dropMimeData(foreign.get(), Qt::MoveAction, 0, 0, {});
    QCOMPARE(column(m, 1).join(QString()), u"CDABE"_s);
}

void TestSongListModel::removeRowsAtGaps()
{
    SongListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (QChar c : u"ABCDEFG"_s)
        m.appendRow(songRow(QString(c), 1));
    m.removeRowsAt({6, 0, 2, 3, 3, 42});
    QCOMPARE(column(m, 1).join(QString()), u"BEF"_s);
    m.clear();
    QCOMPARE(m.rowCount(), 0);
}

void TestSongListModel::removeManyScatteredRows()
{
    // More separate runs than are signalled one by one: removed in one pass.
    SongListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QList<SongRow> rows;
    QList<int> even;
    QStringList odd;
    for (int i = 0; i < 100; ++i) {
        rows << songRow(QString::number(i), 1);
        if (i % 2 == 0)
            even << i;
        else
            odd << QString::number(i);
    }
    m.appendRows(rows);
    even << 500 << -1;
    m.removeRowsAt(even);
    QCOMPARE(column(m, 1), odd);
}

void TestSongListModel::updateChecksSignalsOnlyChangedRuns()
{
    SongListModel m;
    const QString pattern = u"1100110"_s;
    for (int i = 0; i < pattern.size(); ++i) {
        m.appendRow(songRow(QString::number(i), 1));
        m.setChecked(i, pattern[i] == u'1');
    }
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    m.updateChecks(0, 100, [](int, bool) { return true; });
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed[0].at(0).toModelIndex().row(), 2);
    QCOMPARE(changed[0].at(1).toModelIndex().row(), 3);
    QCOMPARE(changed[1].at(0).toModelIndex().row(), 6);
    QCOMPARE(changed[1].at(1).toModelIndex().row(), 6);
    QCOMPARE(changed[1].at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    for (int i = 0; i < m.rowCount(); ++i)
        QVERIFY(m.isChecked(i));
}

void TestSongListModel::checkSignalsOnlyRealChange()
{
    SongListModel m;
    m.appendRow(songRow(u"A"_s, 1));
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy clicked(&m, &SongListModel::checkClicked);
    m.setChecked(0, true);
    QCOMPARE(changed.count(), 0);
    m.setChecked(0, false);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    QCOMPARE(clicked.count(), 0);
    // A click in the view goes through setData and is reported as the user's.
    QVERIFY(m.setData(m.index(0, 1), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(m.isChecked(0));
}

void TestSongListModel::modelTesterThroughEdits()
{
    SongListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QList<SongRow> rows;
    for (int i = 0; i < 30; ++i)
        rows << songRow(QString::number(30 - i), i * 1000);
    m.appendRows(rows);
    m.sort(SongRow::Title);
    m.sort(SongRow::Size, Qt::DescendingOrder);
    m.setCell(3, SongRow::Title, u"新しい題"_s);
    m.moveRowsTo({1, 5, 7}, 20);
    m.removeRowsAt({0, 29, 10});
    m.setChecked(2, false);
    m.clear();
    QCOMPARE(m.rowCount(), 0);
}

void TestSongListModel::renumberFirstRowsThenAll()
{
    SongListModel m;
    QList<SongRow> rows;
    for (int i = 0; i < 200; ++i)
        rows << songRow(QString::number(i), 1, u"x"_s);
    m.appendRows(rows);
    Renumbering renumber(&m);
    renumber.waitTicks = 6;
    QSignalSpy finished(&renumber, &coop::Thread::finished);
    renumber.start();
    QCoreApplication::processEvents();
    // The visible rows are right at once; the rest wait for the second pass.
    QCOMPARE(m.cell(0, 0), u"1 "_s);
    QCOMPARE(m.cell(50, 0), u"51 "_s);
    QCOMPARE(m.cell(51, 0), u"x"_s);
    QVERIFY(finished.wait(2000));
    QCOMPARE(column(m, 0), numbersUpTo(200));
}

void TestSongListModel::renumberEmptyListDoesNothing()
{
    SongListModel m;
    Renumbering renumber(&m);
    QSignalSpy finished(&renumber, &coop::Thread::finished);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    renumber.start();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(changed.count(), 0);
}

void TestSongListModel::renumberRestartEndsNumbered()
{
    SongListModel m;
    for (int i = 0; i < 80; ++i)
        m.appendRow(songRow(QString::number(i), 1, u"x"_s));
    Renumbering renumber(&m);
    renumber.waitTicks = 10;
    QSignalSpy finished(&renumber, &coop::Thread::finished);
    renumber.start();
    // A sort and more rows arrive while the first run waits; the restart numbers them all.
    m.sort(SongRow::Number, Qt::DescendingOrder);
    for (int i = 0; i < 20; ++i)
        m.appendRow(songRow(u"new"_s, 1, u"x"_s));
    renumber.start();
    QVERIFY(finished.wait(2000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(column(m, 0), numbersUpTo(100));
}

void TestSongListModel::renumberSurvivesRemoval()
{
    SongListModel m;
    for (int i = 0; i < 120; ++i)
        m.appendRow(songRow(QString::number(i), 1, u"x"_s));
    Renumbering renumber(&m);
    renumber.waitTicks = 6;
    QSignalSpy finished(&renumber, &coop::Thread::finished);
    renumber.start();
    m.removeRowsAt({0, 1, 2, 100, 119});
    QVERIFY(finished.wait(2000));
    QCOMPARE(column(m, 0), numbersUpTo(115));
    m.clear();
    renumber.start();
    QTRY_COMPARE(finished.count(), 2);
}

void TestSongListModel::dataList()
{
    DataList d;
    QCOMPARE(d.rowCount(), 0);
    d.setLastRowCell(1, u"lost"_s); // no row yet: nothing to set
    d.addRow(u"1"_s);
    d.setLastRowCell(1, u"題名"_s);
    d.addRow(u"2"_s);
    d.setLastRowCell(6, u"曲リスト"_s);
    d.setLastRowCell(7, u"out of range"_s);
    QCOMPARE(d.rowCount(), 2);
    QCOMPARE(d.lastRow, 1);
    QCOMPARE(d.cell(0, 0), u"1"_s);
    QCOMPARE(d.cell(0, 1), u"題名"_s);
    QCOMPARE(d.cell(1, 1), QString());
    QCOMPARE(d.cell(1, 6), u"曲リスト"_s);
    QCOMPARE(d.cell(5, 0), QString());
}

void TestSongListModel::sortBenchmark()
{
    QList<SongRow> rows;
    for (int i = 0; i < 20000; ++i)
        rows << songRow(u"曲 %1"_s.arg((i * 7919) % 20000), qint64((i * 104729) % 9000) * 1000);
    SongListModel m;
    m.appendRows(rows);
    QBENCHMARK {
        m.sort(SongRow::Title, Qt::AscendingOrder);
        m.sort(SongRow::Size, Qt::DescendingOrder);
    }
}

QTEST_MAIN(TestSongListModel)
#include "test_model.moc"
