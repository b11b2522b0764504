#include "gui/main/MenuBar.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/cardedit/CardListing.h"
#include "core/songlist/CheckCommands.h"
#include "gui/main/MainLayout.h"
#include "core/songlist/Renumbering.h"
#include "gui/songlist/SongListDelegate.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/main/MainWindow.h"
#include "core/platform/AppPaths.h"
#include "TestSupport.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void firstStartFitsTheStatusTexts();
    void firstStartPlace_data();
    void firstStartPlace();
    void keptSpaceMarkIsExplained();
    void stripes_data();
    void stripes();
    void headingClicksSortAndRenumber();
    void hiddenColumnsStayHiddenAfterSort();
    void dragReorderRenumbers();
    void layoutAtOpen();
    void titleColumnAfterResize_data();
    void titleColumnAfterResize();
    void resizeWidensTitleColumn();
    void statusAlignment_data();
    void statusAlignment();
    void enableRules_data();
    void enableRules();
    void commandsUseSelectionAndSourceLabel();
    void editClearAsksThenClears();
    void shuffleIndicatorGreenWhilePending();
    void recountDrivesTransferButtonAndBusyIndicator();
    void screenshotWithThirtyRows();

private:
    QTemporaryDir m_tmp;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QDir().mkpath(m_tmp.path() + u"/prefs"_s);
    QDir().mkpath(m_tmp.path() + u"/volumes/Linux"_s);
    qputenv("SONGKITE_PREFS_DIR", (m_tmp.path() + u"/prefs"_s).toUtf8());
    qputenv("SONGKITE_HOME", (m_tmp.path() + u"/home"_s).toUtf8());
    qputenv("SONGKITE_VOLUMES", (m_tmp.path() + u"/volumes"_s).toUtf8());
    preference::resetToInitial();
    // A returning user's window at the designed size; the first start has its own test.
    QVERIFY(preference::savePreferences(AppPaths::prefsFile(), QRect(QPoint(40, 40), MainWindow::kDesignedSize), false));
    preference::resetToInitial();
}

void TestMainWindow::stripes_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("tinted");
    // Even rows: tinted but for the bottom pixel line; odd rows: only that line.
    QTest::newRow("row 0 top") << 0 << 0 << true;
    QTest::newRow("row 0 above bottom") << 0 << 14 << true;
    QTest::newRow("row 0 bottom") << 0 << 15 << false;
    QTest::newRow("row 1 top") << 1 << 0 << false;
    QTest::newRow("row 1 above bottom") << 1 << 14 << false;
    QTest::newRow("row 1 bottom") << 1 << 15 << true;
}

void TestMainWindow::stripes()
{
    QFETCH(int, row);
    QFETCH(int, y);
    QFETCH(bool, tinted);
    QImage img(40, 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        SongListDelegate::paintCellBackground(&p, row, 40, 16);
    }
    QCOMPARE(img.pixel(10, y), tinted ? SongListDelegate::kBand : QColor(Qt::white).rgb());
    // The right edge is the grey column line on every row.
    QCOMPARE(img.pixel(39, y), SongListDelegate::kEdge);
}

static QStringList column(const SongListModel *m, int c)
{
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->cell(r, c);
    return out;
}

void TestMainWindow::headingClicksSortAndRenumber()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    SongListModel *m = w.songList();
    m->appendRows({SongRow::make(u"1 "_s, u"B"_s, u"x"_s, u"x"_s, 1200000, u"L:b"_s, u"L:"_s),
                   SongRow::make(u"2 "_s, u"C"_s, u"x"_s, u"x"_s, 950000, u"L:c"_s, u"L:"_s),
                   SongRow::make(u"3 "_s, u"A"_s, u"x"_s, u"x"_s, 3000000, u"L:a"_s, u"L:"_s)});
    w.songListView()->selectRow(1);

    w.sortRequest(4); // size, ascending on the first click
    QCOMPARE(column(m, 1), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
    QVERIFY(!w.songListView()->selectionModel()->hasSelection());
    QCOMPARE(w.renumbering()->waitTicks, 0);
    QTRY_COMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s}));

    w.sortRequest(4); // the same heading again turns the order round
    QCOMPARE(column(m, 1), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    QTRY_VERIFY(!w.renumbering()->isRunning());

    // Every click on the number heading turns the list upside down.
    w.sortRequest(0);
    QCOMPARE(w.renumbering()->waitTicks, 5);
    QCOMPARE(column(m, 1), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
    QTRY_COMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s}));
    QTRY_VERIFY(!w.renumbering()->isRunning());
    w.sortRequest(0);
    QCOMPARE(column(m, 1), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    QTRY_VERIFY(!w.renumbering()->isRunning());
    QCOMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s}));
}

void TestMainWindow::hiddenColumnsStayHiddenAfterSort()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"B"_s, u"x"_s, u"x"_s, 1, u"L:b"_s, u"L:"_s));
    SongListView *v = w.songListView();
    v->setColumnHidden(5, false);
    v->setColumnWidth(5, 120);
    v->setColumnHidden(6, false);
    v->setColumnWidth(6, 80);
    w.sortRequest(2);
    QVERIFY(v->isColumnHidden(5));
    QVERIFY(v->isColumnHidden(6));
    QCOMPARE(v->columnWidthsText().section(u',', 5), u"0,0"_s);
}

void TestMainWindow::dragReorderRenumbers()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    SongListModel *m = w.songList();
    for (int i = 1; i <= 4; ++i)
        m->appendRow(SongRow::make(QString::number(i) + u' ', QString(QChar(u'A' + i - 1)), u"x"_s, u"x"_s, 1,
                                   u"L:x"_s, u"L:"_s));
    std::unique_ptr<QMimeData> mime(m->mimeData({m->index(3, 1)}));
    m->dropMimeData(mime.get(), Qt::MoveAction, 0, 0, {});
    QCOMPARE(column(m, 1), (QStringList{u"D"_s, u"A"_s, u"B"_s, u"C"_s}));
    QTRY_COMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s, u"4 "_s}));
}

namespace {

SongRow song(int i, const QString &source = u"Linux:Music:"_s, bool checked = true)
{
    SongRow r = SongRow::make(QString::number(i + 1) + u' ', u"曲 %1"_s.arg(i + 1), u"歌手"_s, u"アルバム"_s,
                              1000000 + i * 1000, source + QString::number(i) + u".m4a"_s, source);
    r.checked = checked;
    return r;
}

/// Whether the widget, as drawn, shows a pixel near the given colour.
bool showsColour(QWidget *w, QColor c)
{
    const QImage img = w->grab().toImage();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 &&
                std::abs(p.blue() - c.blue()) < 40)
                return true;
        }
    return false;
}

} // namespace

void TestMainWindow::layoutAtOpen()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.songListView()->geometry(), QRect(6, 49, 265, 179));
    QCOMPARE(w.loadingList()->geometry(), QRect(6, 49, 265, 179));
    QVERIFY(w.loadingList()->isHidden());
    QCOMPARE(w.sourceLabel()->geometry(), QRect(99, 14, 100, 18));
    // The edge lines end at x = list width + 7, not at the window's edge.
    const QRect dark = w.contentArea()->findChild<QWidget *>(u"edgeDark"_s)->geometry();
    QCOMPARE(dark, QRect(QPoint(5, 49), QPoint(272, 49)));
    const QRect grey = w.contentArea()->findChild<QWidget *>(u"edgeGrey"_s)->geometry();
    QCOMPARE(grey.topLeft(), QPoint(4, 48));
    QVERIFY(grey.right() == 272 || grey.right() == 273);
    QVERIFY(w.busyIndicator()->isHidden());
    QVERIFY(w.repeatingTimer()->isActive());
    QCOMPARE(w.repeatingTimer()->interval(), 2000);
    QVERIFY(!w.oneShotTimer()->isActive());
    QCOMPARE(w.shuffleButton()->toolTip(), u"曲リストをシャッフル"_s);
    QCOMPARE(w.capacityLabel()->toolTip().count(u'\n'), 3);
}

void TestMainWindow::titleColumnAfterResize_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("listWidth");
    QTest::addColumn<int>("title");
    // Columns narrower than the list: the title takes the room less 15.
    QTest::newRow("wider than the columns") << QList<int>{34, 215, 150, 221, 80} << 900 << 900 - 485 - 15;
    QTest::newRow("designed size keeps its widths") << QList<int>{34, 215, 150, 221, 80} << 265 << -1;
    QTest::newRow("700 exactly is not above") << QList<int>{34, 215, 150, 221, 80} << 600 << -1;
    QTest::newRow("above 700, room 208") << QList<int>{34, 400, 150, 221, 80} << 693 << 193;
    QTest::newRow("above 700, room 207, title 400") << QList<int>{34, 400, 150, 221, 80} << 692 << 192;
    QTest::newRow("above 700, little room") << QList<int>{34, 216, 150, 221, 80} << 500 << 192;
    QTest::newRow("title of 207 stays") << QList<int>{34, 207, 150, 221, 100} << 500 << -1;
}

void TestMainWindow::titleColumnAfterResize()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, listWidth);
    QFETCH(int, title);
    const std::array<int, 5> c{widths[0], widths[1], widths[2], widths[3], widths[4]};
    QCOMPARE(MainLayout::titleWidthAfterResize(c, listWidth), title);
}

void TestMainWindow::resizeWidensTitleColumn()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setContentGeometry(QRect(w.x(), w.y(), 900, 400));
    QTRY_COMPARE(w.songListView()->width(), 888);
    const int others = 34 + 150 + 221 + w.songListView()->columnWidth(4);
    QCOMPARE(w.songListView()->columnWidth(1), 888 - others - 15);
    // Narrowing again leaves no room: the wide title column falls back to 192.
    w.setContentGeometry(QRect(w.x(), w.y(), 500, 400));
    QTRY_COMPARE(w.songListView()->width(), 488);
    QCOMPARE(w.songListView()->columnWidth(1), 192);
    QCOMPARE(w.songListView()->columnWidthsText().section(u',', 5), u"0,0"_s);
}

void TestMainWindow::statusAlignment_data()
{
    QTest::addColumn<int>("statusWidth");
    QTest::addColumn<bool>("centred");
    QTest::newRow("280 stays left") << 280 << false;
    QTest::newRow("281 centres") << 281 << true;
}

void TestMainWindow::statusAlignment()
{
    QFETCH(int, statusWidth);
    QFETCH(bool, centred);
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The status line is 116 wide in the designed window and follows both sides.
    w.setContentGeometry(QRect(w.x(), w.y(), MainWindow::kDesignedSize.width() + statusWidth - 116, 300));
    QTRY_COMPARE(w.statusLine()->width(), statusWidth);
    for (QLabel *l : {w.statusLine(), w.destinationLabel(), w.capacityLabel()})
        QCOMPARE(bool(l->alignment() & Qt::AlignHCenter), centred);
}

void TestMainWindow::enableRules_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("cardListing");
    QTest::addColumn<QStringList>("enabled");
    const QStringList always{u"chooseMusicFolder"_s, u"chooseDestination"_s};
    const QStringList withRows{u"checkAllRows"_s, u"uncheckAllRows"_s, u"checkSelectedRows"_s, u"checkSourceRows"_s,
                               u"deselectAll"_s, u"uncheckSourceRows"_s, u"uncheckSelectedRows"_s, u"startShuffle"_s,
                               u"uncheckRowsOutsideSource"_s, u"checkRowsOutsideSource"_s, u"saveSongListAs"_s, u"openRandomUncheck"_s};
    QTest::newRow("empty list") << 0 << false << false << false
                                << always + QStringList{u"listCard"_s, u"askClearList"_s};
    QTest::newRow("rows, none selected") << 3 << false << false << false
                                         << always + withRows + QStringList{u"listCard"_s, u"askClearList"_s};
    QTest::newRow("a selected row") << 3 << true << false << false
                                    << always + withRows +
                                           QStringList{u"showInfo"_s, u"listCard"_s, u"removeSelectedRows"_s, u"askClearList"_s};
    QTest::newRow("busy indicator shown") << 3 << true << true << false
                                          << always + withRows +
                                                 QStringList{u"showInfo"_s, u"removeSelectedRows"_s, u"askClearList"_s};
    QTest::newRow("card listing") << 3 << true << false << true
                                  << always + withRows + QStringList{u"showInfo"_s, u"listCard"_s};
}

void TestMainWindow::enableRules()
{
    QFETCH(int, rows);
    QFETCH(bool, selected);
    QFETCH(bool, busy);
    QFETCH(bool, cardListing);
    QFETCH(QStringList, enabled);
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    // The default list's loader shows the indicator until it has looked for its list.
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    for (int i = 0; i < rows; ++i)
        w.songList()->appendRow(song(i));
    if (selected)
        w.songListView()->selectRow(1);
    if (busy)
        w.busyIndicator()->show();
    w.cardListing()->cardListingMode = cardListing;
    bar.applyAutoEnable();
    w.enableMenuItems(bar);
    const QStringList ruled{u"chooseMusicFolder"_s, u"chooseDestination"_s, u"checkAllRows"_s, u"uncheckAllRows"_s,
                            u"checkSelectedRows"_s, u"checkSourceRows"_s, u"deselectAll"_s, u"uncheckSourceRows"_s,
                            u"uncheckSelectedRows"_s, u"startShuffle"_s, u"uncheckRowsOutsideSource"_s, u"checkRowsOutsideSource"_s,
                            u"saveSongListAs"_s, u"openRandomUncheck"_s, u"showInfo"_s, u"listCard"_s,
                            u"removeSelectedRows"_s, u"askClearList"_s};
    for (const QString &id : ruled)
        QVERIFY2(bar.action(id)->isEnabled() == enabled.contains(id), qPrintable(id));
}

void TestMainWindow::commandsUseSelectionAndSourceLabel()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    CheckCommands *c = w.checkCommands();
    QList<SongRow> rows;
    for (int i = 0; i < 6; ++i)
        rows << song(i, i < 3 ? u"Linux:A:"_s : u"Linux:B:"_s, false);
    w.songList()->appendRows(rows);
    auto checks = [&w] {
        QString out;
        for (int r = 0; r < w.songList()->rowCount(); ++r)
            out += w.songList()->isChecked(r) ? u'1' : u'0';
        return out;
    };

    w.songListView()->selectRow(4);
    QVERIFY(w.handleCommand(u"checkSelectedRows"_s));
    QTRY_VERIFY(!c->isBusy());
    QCOMPARE(checks(), u"000010"_s);
    QCOMPARE(w.statusLine()->text(), u"選曲  1 曲、 1.00 MB"_s);

    w.sourceLabel()->setText(u"Linux:A:"_s);
    QVERIFY(w.handleCommand(u"checkSourceRows"_s));
    QTRY_VERIFY(!c->isBusy());
    QCOMPARE(checks(), u"111000"_s);
    QVERIFY(w.handleCommand(u"checkRowsOutsideSource"_s));
    QTRY_VERIFY(!c->isBusy());
    QCOMPARE(checks(), u"000111"_s);
    QCOMPARE(w.statusLine()->text(), u"選曲  3 曲、 3.01 MB"_s);

    // Rows dropped from the list: the rest are renumbered and recounted.
    w.songListView()->selectRow(0);
    QVERIFY(w.handleCommand(u"removeSelectedRows"_s));
    QTRY_VERIFY(!c->isBusy());
    QCOMPARE(w.songList()->rowCount(), 5);
    QTRY_COMPARE(w.songList()->cell(4, 0), u"5 "_s);
    QVERIFY(w.handleCommand(u"deselectAll"_s));
    QVERIFY(!w.songListView()->selectionModel()->hasSelection());
}

void TestMainWindow::editClearAsksThenClears()
{
    auto *scripted = new ScriptedPrompts;
    auto previous = Prompts::install(std::unique_ptr<Prompts>(scripted));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.songList()->appendRows({song(0), song(1)});
    w.sourceLabel()->setText(u"Linux:Music:"_s);
    w.props().nextFileNumber = 3;
    w.recountTotals();
    QTRY_VERIFY(!w.checkCommands()->isBusy());

    scripted->answers = {Prompts::Answer::Cancel};
    QVERIFY(w.handleCommand(u"askClearList"_s));
    QCOMPARE(scripted->shown.size(), 1);
    QCOMPARE(scripted->shown[0].text, u"現在のリストを全行削除します。この作業は取消し出来ません。"_s);
    QCOMPARE(scripted->shown[0].icon, Prompts::Icon::Question);
    QVERIFY(scripted->shown[0].cancelIsDefault);
    QCOMPARE(w.songList()->rowCount(), 2);

    scripted->answers = {Prompts::Answer::Ok};
    QVERIFY(w.handleCommand(u"askClearList"_s));
    QCOMPARE(w.songList()->rowCount(), 0);
    QCOMPARE(w.statusLine()->text(), QString());
    QCOMPARE(w.sourceLabel()->text(), QString());
    QVERIFY(!w.transferButton()->isEnabled());
    QCOMPARE(w.props().nextFileNumber, 1);
    QCOMPARE(w.props().checkedCount, 0);
    QCOMPARE(w.props().checkedSizeKB, 0);
    Prompts::install(std::move(previous));
}

void TestMainWindow::shuffleIndicatorGreenWhilePending()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < 20; ++i)
        w.songList()->appendRow(song(i));
    QSignalSpy finished(w.checkCommands(), &CheckCommands::shuffleFinished);
    const QColor green(0, 255, 0);
    QVERIFY(!showsColour(w.shuffleIndicator(), green));
    QTest::mouseClick(w.shuffleButton(), Qt::LeftButton);
    QVERIFY(w.oneShotTimer()->isActive());
    QVERIFY(showsColour(w.shuffleIndicator(), green));
    QVERIFY(finished.wait(2000));
    QVERIFY(!showsColour(w.shuffleIndicator(), green));
    QVERIFY(showsColour(w.shuffleIndicator(), QColor(0, 0, 0)));
    QCOMPARE(w.songListView()->verticalScrollBar()->value(), 0);
    QTRY_VERIFY(!w.renumbering()->isRunning());
    QCOMPARE(w.songList()->cell(19, 0), u"20 "_s);
}

void TestMainWindow::recountDrivesTransferButtonAndBusyIndicator()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.songList()->appendRows({song(0, u"L:"_s, false), song(1, u"L:"_s, false)});
    w.busyIndicator()->show();
    w.recountTotals();
    QCOMPARE(w.statusLine()->text(), QString()); // the recount starts on the next turn
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QVERIFY(!w.transferButton()->isEnabled());
    QCOMPARE(w.statusLine()->text(), u"選曲  0 曲、 0.00 MB"_s);
    // The repeating timer turns the button back on within its 2 seconds.
    QTRY_VERIFY_WITH_TIMEOUT(w.transferButton()->isEnabled(), 3000);
}

void TestMainWindow::screenshotWithThirtyRows()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setContentGeometry(QRect(w.x(), w.y(), 800, 640));
    const QStringList titles{u"夜空のムコウ"_s, u"チェリー"_s, u"Automatic"_s, u"島唄"_s, u"ロビンソン"_s,
                             u"涙そうそう"_s, u"First Love"_s, u"さくら（独唱）"_s, u"春よ、来い"_s, u"君がいるだけで"_s};
    const QStringList artists{u"SMAP"_s, u"スピッツ"_s, u"宇多田ヒカル"_s, u"THE BOOM"_s, u"森山直太朗"_s};
    QList<SongRow> rows;
    for (int i = 0; i < 30; ++i) {
        rows << SongRow::make(QString::number(i + 1) + u' ', titles[i % titles.size()], artists[i % artists.size()],
                              u"ベスト・アルバム %1"_s.arg(i / 10 + 1), 2800000 + i * 123457,
                              u"Linux:Music:%1.m4a"_s.arg(i), u"Linux:Music:"_s);
        rows.last().checked = i % 4 != 2 && i != 7;
    }
    w.songList()->appendRows(rows);
    w.sourceLabel()->setText(u"Linux:Music:"_s);
    w.recountTotals();
    QTRY_VERIFY(!w.checkCommands()->isBusy());
    QVERIFY(w.statusLine()->text().startsWith(u"選曲  22 曲、 "_s));
    QVERIFY(QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR)));
    QVERIFY(w.grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/main-window-30-rows.png"_s));
    w.setContentGeometry(QRect(w.x(), w.y(), MainWindow::kDesignedSize.width(), MainWindow::kDesignedSize.height()));
    QTRY_COMPARE(w.songListView()->width(), 265);
    QVERIFY(w.grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/main-window-designed-size.png"_s));
    QVERIFY(QFontMetrics(w.statusLine()->font()).inFont(QChar(u'曲')));
}

void TestMainWindow::firstStartFitsTheStatusTexts()
{
    const QString prefs = AppPaths::prefsFile();
    const QByteArray kept = testsupport::readFile(prefs);
    QVERIFY(QFile::remove(prefs));
    preference::resetToInitial();
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    const QSize size = w.contentGeometry().size();
    QVERIFY(size.width() >= MainWindow::kDesignedSize.width() && size.height() >= MainWindow::kDesignedSize.height());
    // The card's folder is the destination here: its whole path and the room fit.
    QVERIFY(w.destinationLabel()->text().contains(u"PRIVATE"_s) || w.destinationLabel()->text().contains(u"miniSD"_s));
    for (QLabel *label : {w.statusLine(), w.destinationLabel(), w.capacityLabel()})
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
    QVERIFY(w.destinationLabel()->toolTip().contains(w.destinationLabel()->text()));
    // A size cell of 9,999,999 KB fits its column.
    const QFontMetrics cells(w.songListView()->font());
    QVERIFY(cells.horizontalAdvance(u"9,999,999 KB "_s) + 8 <= w.songListView()->columnWidth(4));
    QVERIFY(QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR)));
    QVERIFY(w.grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/main-window-first-start.png"_s));
    QVERIFY(testsupport::writeFile(prefs, kept));
}

void TestMainWindow::firstStartPlace_data()
{
    QTest::addColumn<int>("needed");
    QTest::addColumn<QRect>("room");
    QTest::addColumn<QRect>("place");
    const QRect screen(0, 0, 1280, 900);
    QTest::newRow("short texts keep the designed width") << 60 << screen << QRect(501, 240, 277, 420);
    QTest::newRow("a long path widens it") << 300 << screen << QRect(405, 240, 469, 420);
    QTest::newRow("never wider than allowed") << 2000 << screen << QRect(165, 240, 950, 420);
    QTest::newRow("a small screen holds it, the designed size stays the least")
        << 300 << QRect(0, 0, 200, 200) << QRect(-38, -43, 276, 287);
}

void TestMainWindow::firstStartPlace()
{
    QFETCH(int, needed);
    QFETCH(QRect, room);
    QFETCH(QRect, place);
    QCOMPARE(MainLayout::firstStartPlace(needed, 420, room, 20, MainWindow::kMinimumSize, MainWindow::kMaximumSize), place);
}

void TestMainWindow::keptSpaceMarkIsExplained()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"t"_s, u"a"_s, u"b"_s, 1000000, u"Linux:x.m4a"_s, u"Linux:"_s));
    for (const int keep : {100, 0}) {
        preference::keepFreeMB = keep;
        w.recountTotals();
        QTRY_VERIFY(!w.checkCommands()->isBusy());
        QCOMPARE(w.statusLine()->text().endsWith(u'*'), keep > 0);
        QCOMPARE(w.statusLine()->toolTip().contains(u"空き容量を残す"_s), keep > 0);
        QVERIFY(w.statusLine()->toolTip().contains(u"1 MB = 1,000,000 バイト"_s));
    }
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
