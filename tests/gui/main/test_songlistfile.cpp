#include "gui/main/MenuBar.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "gui/main/MainWindow.h"
#include "core/sources/SongListFile.h"
#include "core/sources/SourceRecord.h"
#include "core/transfer/TransferJob.h"

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

QTEST_MAIN(TestSongListFile)
#include "test_songlistfile.moc"
