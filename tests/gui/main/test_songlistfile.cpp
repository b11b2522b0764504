#include "gui/main/MenuBar.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "gui/main/MainWindow.h"
#include "core/sources/SongListFile.h"
#include "core/sources/SourceRecord.h"
#include "core/transfer/TransferJob.h"
#include "core/cardedit/CardListing.h"
#include "core/platform/TextCodec.h"
#include "gui/songlist/SongListView.h"
#include "gui/sources/ListProgressWindow.h"
#include "gui/sources/SongListDialog.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

/// An export-list record of a song: Shift_JIS, the size in bytes, the colon path last.
QByteArray exportRecord(const QString &title, const QString &path)
{
    QStringList f(SongListFile::kFields);
    f[0] = title, f[1] = u"Band"_s, f[3] = u"Best"_s, f[6] = u"1235000"_s, f[24] = path;
    return ShiftJis::encode(f.join(u'\t')) + '\r';
}

} // namespace

class TestSongListFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void ownRecordLayout();
    void recordsNeedTwentyFiveFields_data();
    void recordsNeedTwentyFiveFields();
    void saveAndLoadBack();
    void emptyListDeletesTheDefaultList();
    void missingSongsComeInUncheckedWithOneMessage();
    void transferStopEndsTheLoading();
    void songListHidesWhileTheDefaultListComesIn();
    void dialogOpensListsTogether_data();
    void dialogOpensListsTogether();
    void openAllReadsTheExportListsOnly();
    void dialogSavesAnOwnListOverAnExportList();
    void saveDefaultIsRefusedInCardListing();
    void chosenListsStopWithTheTransfer_data();
    void chosenListsStopWithTheTransfer();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_lists;
    QString m_music;
};

void TestSongListFile::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    const QString root = m_tmp->path();
    testsupport::useHermeticFolders(root);
    m_lists = root + u"/home/曲リストファイル"_s;
    m_music = root + u"/volumes/HD/Music/Band/Best/"_s;
    QVERIFY(writeFile(m_music + u"01 Intro.m4a"_s, QByteArray(1235000, 'x')));
    QVERIFY(writeFile(m_music + u"夜空.m4a"_s, "y"));
}

void TestSongListFile::ownRecordLayout()
{
    SongRow row;
    row.cells = {u"1 "_s, u"Intro"_s, u" Band"_s, u" Best"_s, u"1,235 KB "_s, u"P"_s, u"src"_s};
    row.checked = true;
    const QString expected = u"Intro\tBand\t1\tBest\t\t\t1235"_s + QString(18, u'\t') + u"P\r"_s;
    QCOMPARE(SongListFile::ownRecord(row), expected);
    // A TAB inside a cell cannot shift the fields.
    row.cells[1] = u"A\tB"_s;
    QCOMPARE(SongListFile::records(SongListFile::ownRecord(row)).first().at(0), u"A B"_s);
}

void TestSongListFile::recordsNeedTwentyFiveFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    const QString record = u"T"_s + QString(24, u'\t');
    QTest::newRow("two records") << record + u'\r' + record + u'\r' << 2;
    QTest::newRow("no closing carriage return") << record << 0;
    QTest::newRow("line feeds only make one long record") << record + u'\n' + record + u'\r' << 0;
    QTest::newRow("24 fields") << u"T"_s + QString(23, u'\t') + u'\r' << 0;
    QTest::newRow("trailing line end ignored") << record + u"\r\n"_s << 1;
}

void TestSongListFile::recordsNeedTwentyFiveFields()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QCOMPARE(SongListFile::records(text).size(), count);
}

void TestSongListFile::saveAndLoadBack()
{
    SongRow a = SongRow::make(u"1 "_s, u"Intro"_s, u"Band"_s, u"Best"_s, 1235000,
                              u"HD:Music:Band:Best:01 Intro.m4a"_s, u"HD:Music:"_s);
    SongRow b = SongRow::make(u"2 "_s, u"夜空"_s, u"Band"_s, u"Best"_s, 9000000, u"HD:Music:Band:Best:夜空.m4a"_s,
                              u"HD:Music:"_s);
    b.checked = false;
    QVERIFY(SongListFile::saveSongList(m_lists, QString(), {a, b}));
    QVERIFY(readFile(m_lists + u"/musiclist.default"_s).endsWith("\r\n"));

    SongListModel songs;
    SessionState props;
    SourceRecord sources;
    DefaultListLoader loader(&songs, props, &sources, m_lists);
    QSignalSpy missing(&loader, &DefaultListLoader::missingFiles);
    QSignalSpy finished(&loader, &coop::Thread::finished);
    loader.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(songs.rowCount(), 2);
    for (int c = 1; c <= 5; ++c)
        QCOMPARE(songs.cell(0, c), a.cells[c]);
    QCOMPARE(songs.cell(1, 4), u"9,000 KB "_s);
    QCOMPARE(songs.cell(0, 0), u"1 "_s);
    QCOMPARE(songs.cell(0, 6), u"曲リスト"_s);
    QVERIFY(songs.isChecked(0));
    QVERIFY(!songs.isChecked(1));
    QCOMPARE(missing.count(), 0);
    QCOMPARE(props.nextFileNumber, 3);
    QCOMPARE(sources.label(), u"曲リスト"_s);
    QCOMPARE(sources.rows().last(), u"曲リスト"_s);
}

void TestSongListFile::emptyListDeletesTheDefaultList()
{
    QVERIFY(writeFile(m_lists + u"/musiclist.default"_s, "old"));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QCOMPARE(w.songList()->rowCount(), 0); // "old" holds no record
    w.handleCommand(u"saveDefaultList"_s);
    QVERIFY(!QFile::exists(m_lists + u"/musiclist.default"_s));
}

void TestSongListFile::missingSongsComeInUncheckedWithOneMessage()
{
    QList<SongRow> rows;
    for (const QString &path : {u"HD:Music:Band:Best:01 Intro.m4a"_s, u"HD:Music:Gone:one.m4a"_s, u"HD:Music:Gone:two.m4a"_s})
        rows << SongRow::make(u"1 "_s, u"t"_s, u"a"_s, u"b"_s, 1000, path, u"src"_s);
    QVERIFY(SongListFile::saveSongList(m_lists, QString(), rows));
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *prompts = scripted.get();
    Prompts::install(std::move(scripted));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QCOMPARE(w.songList()->rowCount(), 3);
    QVERIFY(w.songList()->isChecked(0));
    QVERIFY(!w.songList()->isChecked(1));
    QVERIFY(!w.songList()->isChecked(2));
    QCOMPARE(prompts->texts(), QStringList{u"ファイルが見つからなかった曲のチェックを外しました。"_s});
    QCOMPARE(prompts->beeps(), 1);
    QCOMPARE(w.sourceLabel()->text(), u"曲リスト"_s);
    QCOMPARE(w.props().checkedCount, 1);
}

void TestSongListFile::transferStopEndsTheLoading()
{
    // Long enough that the rows come in several batches: the stop lands after the first.
    const SongRow row = SongRow::make(u"1 "_s, u"Intro"_s, u"Band"_s, u"Best"_s, 1235000,
                                      u"HD:Music:Band:Best:01 Intro.m4a"_s, u"HD:Music:"_s);
    const QList<SongRow> rows(3000, row);
    QVERIFY(SongListFile::saveSongList(m_lists, QString(), rows));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    auto *loader = w.findChild<DefaultListLoader *>();
    QVERIFY(loader);
    QSignalSpy finished(loader, &coop::Thread::finished);
    bool stopped = false;
    connect(w.songList(), &QAbstractItemModel::rowsInserted, &w, [&w, &stopped] {
        if (!stopped) {
            stopped = true;
            w.transferJob()->requestStop();
        }
    });
    QVERIFY(finished.wait(5000));
    QVERIFY(stopped);
    const int loaded = w.songList()->rowCount();
    QVERIFY(loaded > 0);
    QVERIFY(loaded < rows.size());
    // The loader ended its own way: the next file number follows the rows it added.
    QCOMPARE(w.props().nextFileNumber, loaded + 1);
}

void TestSongListFile::songListHidesWhileTheDefaultListComesIn()
{
    const SongRow row = SongRow::make(u"1 "_s, u"Intro"_s, u"Band"_s, u"Best"_s, 1235000,
                                      u"HD:Music:Band:Best:01 Intro.m4a"_s, u"HD:Music:"_s);
    QVERIFY(SongListFile::saveSongList(m_lists, QString(), QList<SongRow>(3000, row)));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    bool seen = false, listHidden = false, stands = false, centred = false;
    connect(w.songList(), &QAbstractItemModel::rowsInserted, &w, [&] {
        if (seen)
            return;
        seen = true;
        listHidden = w.songListView()->isHidden();
        stands = w.loadingList()->isVisible();
        const QRect l = w.songListView()->geometry();
        centred = w.busyIndicator()->isVisible()
            && w.busyIndicator()->pos() == QPoint(l.left() + l.width() / 2 - w.busyIndicator()->width() / 2,
                                                  l.top() + l.height() / 2);
    });
    QTRY_COMPARE(w.songList()->rowCount(), 3000);
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QVERIFY(seen);
    QVERIFY(listHidden);
    QVERIFY(stands);
    QVERIFY(centred);
    QVERIFY(w.songListView()->isVisible());
    QVERIFY(w.loadingList()->isHidden());
    const QFrame *status = w.findChild<QFrame *>(u"statusArea"_s);
    QVERIFY(status);
    QVERIFY(status->geometry().contains(w.busyIndicator()->geometry()));
}

void TestSongListFile::dialogOpensListsTogether_data()
{
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("appended") << false << QStringList{u"old"_s, u"Intro"_s, u"夜空"_s};
    QTest::newRow("replacing the list") << true << QStringList{u"Intro"_s, u"夜空"_s};
}

void TestSongListFile::dialogOpensListsTogether()
{
    QFETCH(bool, replace);
    QFETCH(QStringList, expected);
    QVERIFY(writeFile(m_lists + u"/a.txt"_s, exportRecord(u"Intro"_s, u"HD:Music:Band:Best:01 Intro.m4a"_s)));
    SongRow own = SongRow::make(u"1 "_s, u"夜空"_s, u"Band"_s, u"Best"_s, 1000, u"HD:Music:Band:Best:夜空.m4a"_s, u"x"_s);
    QVERIFY(SongListFile::saveSongList(m_lists, u"b.list"_s, {own}));
    preference::listOpenReplaces = replace ? 1 : 0;
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"old"_s, u"a"_s, u"b"_s, 1, u"HD:x"_s, u"HD:"_s));

    QVERIFY(w.handleCommand(u"openSongList"_s));
    SongListDialog *d = w.songListDialog();
    QVERIFY(d);
    QCOMPARE(d->list()->topLevelItemCount(), 2);
    d->list()->selectAll();
    QTest::mouseClick(d->confirmButton(), Qt::LeftButton);
    QTRY_VERIFY(!w.songListDialog());
    QTRY_COMPARE(testsupport::column(*w.songList(), 1), expected);
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    // Both lists are sources, the lower one on top and in the label.
    QCOMPARE(w.sourceRecord()->rows().mid(0, 2), (QStringList{u"b"_s, u"a"_s}));
    QCOMPARE(w.sourceLabel()->text(), u"b"_s);
    QCOMPARE(w.props().checkedCount, expected.size());
    // The next opening preselects the lower one.
    QCOMPARE(w.props().lastSelectedListFile, u"b.list"_s);
    QVERIFY(w.handleCommand(u"openSongList"_s));
    QCOMPARE(w.songListDialog()->selectedFiles(), QStringList{u"b.list"_s});
}

void TestSongListFile::openAllReadsTheExportListsOnly()
{
    QVERIFY(writeFile(m_lists + u"/a.txt"_s, exportRecord(u"Intro"_s, u"HD:Music:Band:Best:01 Intro.m4a"_s)));
    QVERIFY(writeFile(m_lists + u"/c.txt"_s, exportRecord(u"夜空"_s, u"HD:Music:Band:Best:夜空.m4a"_s)));
    SongRow own = SongRow::make(u"1 "_s, u"own"_s, u"Band"_s, u"Best"_s, 1000, u"HD:Music:Band:Best:夜空.m4a"_s, u"x"_s);
    QVERIFY(SongListFile::saveSongList(m_lists, u"b.list"_s, {own}));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    // The select button opens the dialog when the preferences say so.
    preference::selectButtonMode = 1;
    QTest::mouseClick(w.selectButton(), Qt::LeftButton);
    QVERIFY(w.songListDialog());
    QTest::mouseClick(w.songListDialog()->secondButton(), Qt::LeftButton);
    QTRY_COMPARE(testsupport::column(*w.songList(), 1), (QStringList{u"Intro"_s, u"夜空"_s}));
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QVERIFY(!w.progressWindow() || !w.progressWindow()->isVisible());
}

void TestSongListFile::dialogSavesAnOwnListOverAnExportList()
{
    QVERIFY(writeFile(m_lists + u"/mix.txt"_s, exportRecord(u"Intro"_s, u"HD:Music:Band:Best:01 Intro.m4a"_s)));
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *prompts = scripted.get();
    Prompts::install(std::move(scripted));
    prompts->answers << Prompts::Answer::Ok;
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    SongRow row = SongRow::make(u"1 "_s, u"夜空"_s, u"Band"_s, u"Best"_s, 1000, u"HD:Music:Band:Best:夜空.m4a"_s, u"x"_s);
    row.checked = false;
    w.songList()->appendRow(row);
    QVERIFY(w.handleCommand(u"saveSongListAs"_s));
    w.songListDialog()->nameField()->setText(u"mix"_s);
    QTest::mouseClick(w.songListDialog()->confirmButton(), Qt::LeftButton);
    QCOMPARE(prompts->texts(), QStringList{u"mix.txtは既に存在します。上書きしますか？"_s});
    QVERIFY(!QFile::exists(m_lists + u"/mix.txt"_s));
    QCOMPARE(QString::fromUtf8(readFile(m_lists + u"/mix.list"_s)), SongListFile::ownRecord(row) + u'\n');
    QCOMPARE(w.sourceLabel()->text(), u"mix"_s);
}

void TestSongListFile::saveDefaultIsRefusedInCardListing()
{
    QVERIFY(writeFile(m_lists + u"/musiclist.default"_s, "mine"));
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *prompts = scripted.get();
    Prompts::install(std::move(scripted));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"card song"_s, u"a"_s, u"b"_s, 1, QString(), QString()));
    QAction *save = bar.action(u"saveDefaultList"_s);
    QVERIFY(save);

    bar.applyAutoEnable();
    w.enableMenuItems(bar);
    QVERIFY(save->isEnabled());
    w.cardListing()->cardListingMode = true;
    bar.applyAutoEnable();
    w.enableMenuItems(bar);
    QVERIFY(!save->isEnabled());
    // Even asked directly, the card's rows never reach the default list.
    w.handleCommand(u"saveDefaultList"_s);
    QCOMPARE(readFile(m_lists + u"/musiclist.default"_s), "mine");
    QCOMPARE(prompts->beeps(), 1);
}

void TestSongListFile::chosenListsStopWithTheTransfer_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("an export list") << u"long.txt"_s;
    QTest::newRow("an own list") << u"long.list"_s;
}

void TestSongListFile::chosenListsStopWithTheTransfer()
{
    QFETCH(QString, file);
    const int records = 3000;
    if (file.endsWith(u".txt"_s)) {
        QByteArray text;
        for (int i = 0; i < records; ++i)
            text += exportRecord(u"Intro"_s, u"HD:Music:Band:Best:01 Intro.m4a"_s);
        QVERIFY(writeFile(m_lists + u'/' + file, text));
    } else {
        const SongRow row = SongRow::make(u"1 "_s, u"Intro"_s, u"Band"_s, u"Best"_s, 1235000,
                                          u"HD:Music:Band:Best:01 Intro.m4a"_s, u"HD:Music:"_s);
        QVERIFY(SongListFile::saveSongList(m_lists, file, QList<SongRow>(records, row)));
    }
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    bool stopped = false;
    connect(w.songList(), &QAbstractItemModel::rowsInserted, &w, [&w, &stopped] {
        if (!stopped) {
            stopped = true;
            w.transferJob()->requestStop();
        }
    });
    QVERIFY(w.handleCommand(u"openSongList"_s));
    w.songListDialog()->list()->selectAll();
    QTest::mouseClick(w.songListDialog()->confirmButton(), Qt::LeftButton);
    QTRY_VERIFY(stopped);
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QVERIFY(w.songList()->rowCount() > 0);
    QVERIFY(w.songList()->rowCount() < records);
}

QTEST_MAIN(TestSongListFile)
#include "test_songlistfile.moc"
