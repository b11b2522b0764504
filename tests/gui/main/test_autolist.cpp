#include "gui/main/MenuBar.h"
#include "core/transfer/TransferJob.h"
#include "core/platform/TextCodec.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "gui/main/MainWindow.h"
#include "core/sources/ListFolderJob.h"
#include "core/sources/SourceRecord.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include <QTimer>

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

/// An export-list record: title, artist, album, size in bytes and colon path in their fields.
QByteArray record(const QString &title, const QString &artist, const QString &album, const QString &size,
                  const QString &path)
{
    QStringList f(25);
    f[0] = title, f[1] = artist, f[3] = album, f[6] = size, f[24] = path;
    return ShiftJis::encode(f.join(u'\t')) + '\r';
}

} // namespace

class TestAutoList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void exportListRowsFollowRecordPositions();
    void autoListsReplaceTheListAndAreSent();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_lists;
    QString m_card;
};

void TestAutoList::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    const QString root = m_tmp->path();
    testsupport::useHermeticFolders(root);
    m_lists = root + u"/home/曲リストファイル"_s;
    m_card = root + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s;
    QVERIFY(QDir().mkpath(m_lists));
    QVERIFY(QDir().mkpath(m_card));
    for (const QString &name : {u"A.m4a"_s, u"B.m4a"_s, u"夜空.m4a"_s})
        QVERIFY(writeFile(root + u"/volumes/HD/Music/"_s + name, name.toUtf8()));
}

void TestAutoList::exportListRowsFollowRecordPositions()
{
    // Record 1 holds column titles, record 3's song is missing.
    QByteArray text = record(u"名前"_s, u"アーティスト"_s, u"アルバム"_s, u"サイズ"_s, u"場所"_s);
    text += record(u"夜空"_s, u"歌手"_s, u"盤"_s, u"9000"_s, u"HD:Music:夜空.m4a"_s);
    text += record(u"Gone"_s, u"x"_s, u"y"_s, u"1000"_s, u"HD:Music:Gone.m4a"_s);
    text += record(u"A"_s, u"x"_s, u"y"_s, u"1234567"_s, u"HD:Music:A.m4a"_s);
    QVERIFY(writeFile(m_lists + u"/best.txt"_s, text));

    SongListModel songs;
    songs.appendRow(SongRow::make(u"1 "_s, u"already"_s, u"a"_s, u"b"_s, 1, u"HD:x"_s, u"HD:"_s));
    SourceRecord sources;
    SessionState props;
    props.nextFileNumber = 2;
    ListFolderJob job(&songs, &sources, nullptr, props, m_lists, ListFolderJob::Mode::ReadChosenLists);
    // Run the loader alone, as the job's own run would.
    struct Runner final : coop::Thread {
        ListFolderJob *job;
        FileItem file;
        coop::Task<> run() override { co_await job->loadExportList(file, u"best.txt"_s, 4); }
    } runner;
    runner.job = &job;
    runner.file = FileItem(m_lists + u"/best.txt"_s);
    QSignalSpy done(&runner, &coop::Thread::finished);
    runner.start();
    QVERIFY(done.wait(5000));
    QCOMPARE(songs.rowCount(), 3);
    QCOMPARE(songs.cell(1, 0), u"3"_s); // B + 2
    QCOMPARE(songs.cell(2, 0), u"5"_s); // B + 4
    QCOMPARE(songs.cell(1, 1), u"夜空"_s);
    QCOMPARE(songs.cell(1, 2), u" 歌手"_s);
    QCOMPARE(songs.cell(1, 4), u"9 KB "_s);
    QCOMPARE(songs.cell(2, 4), u"1,235 KB "_s);
    QCOMPARE(songs.cell(1, 6), u"best"_s);
    QVERIFY(songs.isChecked(1) && songs.isChecked(2));
    QCOMPARE(sources.label(), u"best"_s);
    QCOMPARE(props.nextFileNumber, 4);
    // Outside the automatic mode the list stays where it is.
    QVERIFY(QFile::exists(m_lists + u"/best.txt"_s));
}

void TestAutoList::autoListsReplaceTheListAndAreSent()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.props().destinationFolder.exists());
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"old row"_s, u"a"_s, u"b"_s, 1, u"HD:x"_s, u"HD:"_s));
    QVERIFY(writeFile(m_lists + u"/one.atxt"_s, record(u"A"_s, u"x"_s, u"y"_s, u"10"_s, u"HD:Music:A.m4a"_s)));
    QVERIFY(writeFile(m_lists + u"/two.stxt"_s, record(u"B"_s, u"x"_s, u"y"_s, u"10"_s, u"HD:Music:B.m4a"_s)));
    QVERIFY(writeFile(m_lists + u"/keep.txt"_s, record(u"C"_s, u"x"_s, u"y"_s, u"10"_s, u"HD:Music:A.m4a"_s)));

    QSignalSpy ended(w.transferJob(), &TransferJob::transferEnded);
    w.repeatingTimer()->setInterval(20);
    QVERIFY(ended.wait(10000));
    QCOMPARE(ended.count(), 1);
    // Both auto lists went, the export list stays; their songs replaced the list.
    QCOMPARE(QDir(m_lists).entryList(QDir::Files), QStringList{u"keep.txt"_s});
    QStringList titles;
    for (int r = 0; r < w.songList()->rowCount(); ++r)
        titles << w.songList()->cell(r, 1);
    titles.sort();
    QCOMPARE(titles, (QStringList{u"A"_s, u"B"_s}));
    QCOMPARE(QDir(m_card).entryList({u"*.3G2"_s}, QDir::Files).size(), 2);
    QTRY_VERIFY(w.repeatingTimer()->isActive());
}

QTEST_MAIN(TestAutoList)
#include "test_autolist.moc"
