#include "app/MenuBar1.h"
#include "prefs/Preferences.h"
#include "songlist/ReIndexNum.h"
#include "songlist/SongListDelegate.h"
#include "songlist/SongListModel.h"
#include "songlist/SongListView.h"
#include "songlist/Window1.h"

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestWindow1 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void stripes_data();
    void stripes();
    void headingClicksSortAndRenumber();
    void hiddenColumnsStayHiddenAfterSort();
    void dragReorderRenumbers();

private:
    QTemporaryDir m_tmp;
};

void TestWindow1::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QDir().mkpath(m_tmp.path() + u"/prefs"_s);
    QDir().mkpath(m_tmp.path() + u"/volumes/Linux"_s);
    qputenv("SONGKITE_PREFS_DIR", (m_tmp.path() + u"/prefs"_s).toUtf8());
    qputenv("SONGKITE_HOME", (m_tmp.path() + u"/home"_s).toUtf8());
    qputenv("SONGKITE_VOLUMES", (m_tmp.path() + u"/volumes"_s).toUtf8());
    preference::resetToInitial();
}

void TestWindow1::stripes_data()
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

void TestWindow1::stripes()
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

void TestWindow1::headingClicksSortAndRenumber()
{
    MenuBar1 bar;
    Window1 w(&bar, nullptr);
    SongListModel *m = w.songList();
    m->appendRows({SongRow::make(u"1 "_s, u"B"_s, u"x"_s, u"x"_s, 1200000, u"L:b"_s, u"L:"_s),
                   SongRow::make(u"2 "_s, u"C"_s, u"x"_s, u"x"_s, 950000, u"L:c"_s, u"L:"_s),
                   SongRow::make(u"3 "_s, u"A"_s, u"x"_s, u"x"_s, 3000000, u"L:a"_s, u"L:"_s)});
    w.listBox()->selectRow(1);

    w.sortRequest(4); // size, ascending on the first click
    QCOMPARE(column(m, 1), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
    QVERIFY(!w.listBox()->selectionModel()->hasSelection());
    QCOMPARE(w.reIndexNum1()->wiaitTime, 0);
    QTRY_COMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s}));

    w.sortRequest(4); // the same heading again turns the order round
    QCOMPARE(column(m, 1), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    QTRY_VERIFY(!w.reIndexNum1()->isRunning());

    // Every click on the number heading turns the list upside down.
    w.sortRequest(0);
    QCOMPARE(w.reIndexNum1()->wiaitTime, 5);
    QCOMPARE(column(m, 1), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
    QTRY_COMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s}));
    QTRY_VERIFY(!w.reIndexNum1()->isRunning());
    w.sortRequest(0);
    QCOMPARE(column(m, 1), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    QTRY_VERIFY(!w.reIndexNum1()->isRunning());
    QCOMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s}));
}

void TestWindow1::hiddenColumnsStayHiddenAfterSort()
{
    MenuBar1 bar;
    Window1 w(&bar, nullptr);
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"B"_s, u"x"_s, u"x"_s, 1, u"L:b"_s, u"L:"_s));
    SongListView *v = w.listBox();
    v->setColumnHidden(5, false);
    v->setColumnWidth(5, 120);
    v->setColumnHidden(6, false);
    v->setColumnWidth(6, 80);
    w.sortRequest(2);
    QVERIFY(v->isColumnHidden(5));
    QVERIFY(v->isColumnHidden(6));
    QCOMPARE(v->columnWidthsText().section(u',', 5), u"0,0"_s);
}

void TestWindow1::dragReorderRenumbers()
{
    MenuBar1 bar;
    Window1 w(&bar, nullptr);
    SongListModel *m = w.songList();
    for (int i = 1; i <= 4; ++i)
        m->appendRow(SongRow::make(QString::number(i) + u' ', QString(QChar(u'A' + i - 1)), u"x"_s, u"x"_s, 1,
                                   u"L:x"_s, u"L:"_s));
    std::unique_ptr<QMimeData> mime(m->mimeData({m->index(3, 1)}));
    m->dropMimeData(mime.get(), Qt::MoveAction, 0, 0, {});
    QCOMPARE(column(m, 1), (QStringList{u"D"_s, u"A"_s, u"B"_s, u"C"_s}));
    QTRY_COMPARE(column(m, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s, u"4 "_s}));
}

QTEST_MAIN(TestWindow1)
#include "test_window1.moc"
