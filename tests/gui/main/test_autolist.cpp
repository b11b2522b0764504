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
#include "core/platform/Prompts.h"
#include "gui/main/MainWindow.h"

#include <QPushButton>
#include <QLabel>
#include <QProgressBar>
#include "core/songlist/CheckCommands.h"
#include <QThread>
#include "gui/transfer/TransferController.h"
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

/// An export list of `count` songs of the test's music folder, titled PREFIX1, PREFIX2, ...
QByteArray songList(const QString &prefix, int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += record(prefix + QString::number(i), u"x"_s, u"y"_s, u"10"_s, u"HD:Music:S%1.m4a"_s.arg(i));
    return text;
}

QStringList numbered(const QString &prefix, int count)
{
    QStringList t;
    for (int i = 1; i <= count; ++i)
        t << prefix + QString::number(i);
    return t;
}

} // namespace

class TestAutoList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void exportListRowsFollowRecordPositions();
    void autoListsReplaceTheListAndAreSent();
    void autoListWaitsForTheRunningTransfer_data();
    void autoListWaitsForTheRunningTransfer();
    void unreadableAutoListIsReportedOnce();
    void aTransferStopOutlivesThePickUps();

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
    for (int i = 1; i <= 12; ++i)
        QVERIFY(writeFile(root + u"/volumes/HD/Music/S%1.m4a"_s.arg(i), "song"));
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

void TestAutoList::autoListWaitsForTheRunningTransfer_data()
{
    QTest::addColumn<bool>("firstIsAutoList");
    QTest::newRow("dropped while the user's transfer runs") << false;
    QTest::newRow("dropped while another auto list is sent") << true;
}

void TestAutoList::autoListWaitsForTheRunningTransfer()
{
    QFETCH(bool, firstIsAutoList);
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.props().destinationFolder.exists());
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    // Slow copies, so that the timer ticks between songs; the second list is dropped while
    // the first run copies its third song.
    int copies = 0;
    w.transferJob()->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
        if (++copies == 3)
            writeFile(m_lists + u"/second.atxt"_s, songList(u"second"_s, 3));
        QThread::msleep(15);
        return source.copyTo(destination);
    });
    QList<TransferReport> reports;
    QStringList listAtEnd;
    bool secondWaited = false;
    connect(w.transferJob(), &TransferJob::transferEnded, &w, [&](const TransferReport &r) {
        reports << r;
        if (reports.size() == 1) {
            listAtEnd = testsupport::column(*w.songList(), 1);
            secondWaited = QFile::exists(m_lists + u"/second.atxt"_s);
        }
    });
    w.repeatingTimer()->setInterval(5);
    if (firstIsAutoList) {
        QVERIFY(writeFile(m_lists + u"/first.atxt"_s, songList(u"first"_s, 8)));
    } else {
        QList<SongRow> rows;
        for (int i = 1; i <= 8; ++i)
            rows << SongRow::make(QString::number(i), u"first%1"_s.arg(i), u"x"_s, u"y"_s, 10,
                                  u"HD:Music:S%1.m4a"_s.arg(i), u"HD:"_s);
        w.songList()->appendRows(rows);
        w.recountTotals();
        QTRY_COMPARE(w.props().checkedCount, 8);
        w.transfer()->runTransfer();
    }
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 2, 15000);
    // The first run sent its own eight songs, untouched by the list that came meanwhile.
    QCOMPARE(reports[0].ending, TransferReport::Ending::Completed);
    QCOMPARE(reports[0].copiedCount, 8);
    QCOMPARE(listAtEnd, numbered(u"first"_s, 8));
    QVERIFY(secondWaited);
    // Then the waiting list was picked up and sent as usual.
    QCOMPARE(reports[1].ending, TransferReport::Ending::Completed);
    QCOMPARE(reports[1].copiedCount, 3);
    QCOMPARE(testsupport::column(*w.songList(), 1), numbered(u"second"_s, 3));
    QVERIFY(!QFile::exists(m_lists + u"/second.atxt"_s));
    QCOMPARE(QDir(m_card).entryList({u"*.3G2"_s}, QDir::Files).size(), 3); // replace mode
    QTRY_COMPARE(w.statusLine()->text(), u"3曲転送しました"_s);
}

void TestAutoList::unreadableAutoListIsReportedOnce()
{
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *prompts = scripted.get();
    auto previous = Prompts::install(std::move(scripted));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.props().destinationFolder.exists());
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    w.songList()->appendRow(SongRow::make(u"1 "_s, u"kept"_s, u"a"_s, u"b"_s, 1, u"HD:Music:A.m4a"_s, u"HD:"_s));
    QSignalSpy ended(w.transferJob(), &TransferJob::transferEnded);
    // A link to nothing: it is there, but nothing can be read through it.
    QVERIFY(QFile::link(m_lists + u"/nowhere"_s, m_lists + u"/bad.atxt"_s));
    int ticks = 0;
    connect(w.repeatingTimer(), &QTimer::timeout, &w, [&ticks] { ++ticks; });
    w.repeatingTimer()->setInterval(5);
    QTRY_VERIFY(ticks >= 20);
    QTRY_VERIFY(!w.autoListJob()->isRunning());
    QCOMPARE(prompts->texts(), QStringList{u"曲リスト「bad.atxt」を読み込めませんでした。"_s});
    QCOMPARE(prompts->beeps(), 1);
    QCOMPARE(testsupport::column(*w.songList(), 1), QStringList{u"kept"_s});
    QCOMPARE(ended.count(), 0);

    // Once it changes into a list that reads, it is picked up as any other.
    QVERIFY(QFile::remove(m_lists + u"/bad.atxt"_s));
    QVERIFY(writeFile(m_lists + u"/bad.atxt"_s, songList(u"now"_s, 2)));
    QVERIFY(ended.wait(10000));
    QCOMPARE(testsupport::column(*w.songList(), 1), numbered(u"now"_s, 2));
    QCOMPARE(prompts->texts().size(), 1);
    Prompts::install(std::move(previous));
}

void TestAutoList::aTransferStopOutlivesThePickUps()
{
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.props().destinationFolder.exists());
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    QList<SongRow> rows;
    for (int i = 1; i <= 8; ++i)
        rows << SongRow::make(QString::number(i), u"s%1"_s.arg(i), u"x"_s, u"y"_s, 10, u"HD:Music:S%1.m4a"_s.arg(i), u"HD:"_s);
    w.songList()->appendRows(rows);
    w.recountTotals();
    QTRY_COMPARE(w.props().checkedCount, 8);
    int ticks = 0;
    connect(w.repeatingTimer(), &QTimer::timeout, &w, [&ticks] { ++ticks; });
    int ticksAfterStop = -1;
    int copies = 0;
    w.transferJob()->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
        if (++copies == 2) {
            w.transferJob()->requestStop();
            ticksAfterStop = ticks;
        }
        QThread::msleep(15);
        return source.copyTo(destination);
    });
    QSignalSpy ended(w.transferJob(), &TransferJob::transferEnded);
    w.repeatingTimer()->setInterval(5);
    w.transfer()->runTransfer();
    QVERIFY(ended.wait(10000));
    const auto report = ended.first().first().value<TransferReport>();
    QCOMPARE(report.ending, TransferReport::Ending::UserStopped);
    QCOMPARE(report.copiedCount, 2);
    QVERIFY(ticks > ticksAfterStop); // pick-ups ran meanwhile and did not undo the stop
    // The window keeps saying how the run went until the next command.
    QTRY_COMPARE(w.statusLine()->text(), u"2曲転送後に中止しました"_s);
    QVERIFY(w.handleCommand(u"deselectAll"_s));
    QCOMPARE(w.statusLine()->text(), w.checkCommands()->statusLine());
}

QTEST_MAIN(TestAutoList)
#include "test_autolist.moc"
