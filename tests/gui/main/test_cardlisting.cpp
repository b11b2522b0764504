#include "gui/main/MenuBar.h"
#include "core/card/CardLayout.h"
#include "core/cardedit/CardListing.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextCodec.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/main/MainWindow.h"
#include "core/cardedit/CardRewrite.h"
#include "core/sources/SourceRecord.h"
#include "gui/cardedit/CardUpdateWindow.h"
#include "gui/cardedit/DeleteConfirmation.h"
#include "gui/songlist/SongInfoWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

using namespace Qt::StringLiterals;
using namespace CardFormat;

namespace {

const QDateTime kNewest = QDateTime(QDate(2026, 12, 1), QTime(12, 30));

class Card {
public:
    explicit Card(const QString &dir) : m_dir(dir) { QDir().mkpath(dir); }

    /// Song n titled `title`, dated `minutesBefore` minutes before the newest song.
    void addSong(int n, const QString &title, int minutesBefore, qint64 bytes = 2048)
    {
        const int m = mgrNumberOf(n);
        QByteArray &mgr = m_mgr[m];
        if (mgr.isEmpty())
            mgr = newMgrFile(m);
        mgr.replace(slotOffset(slotIndexOf(n)), kSlotSize, usedSlot(n, ShiftJis::encode(title)));
        QFile f(m_dir + u'/' + *songFileName(n));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(bytes));
        f.setFileTime(kNewest.addSecs(-60 * minutesBefore), QFileDevice::FileModificationTime);
    }
    void write()
    {
        for (auto it = m_mgr.cbegin(); it != m_mgr.cend(); ++it) {
            QFile f(m_dir + u'/' + *mgrFileName(it.key()));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(it.value());
        }
    }
    QByteArray &mgr(int m) { return m_mgr[m]; }

private:
    QString m_dir;
    QMap<int, QByteArray> m_mgr;
};

} // namespace

class TestCardListing : public QObject {
    Q_OBJECT
private slots:
    void init();
    void listsInTheCardsOrder();
    void clearedSlotsAndMissingSongsAreLeftOut();
    void twoManagementFilesAreCountedOnce();
    void unreadableFileStopsWhereItIs();
    void stopEndsTheListingAfterAFile();
    void windowModeEnterTwiceAndLeave();
    void transferButtonAppliesTheEdits_data();
    void transferButtonAppliesTheEdits();
    void songListComesBackByMenu();
    void aCardChangedSinceListingIsNotWritten();
    void songInfoWritesTheRow_data();
    void songInfoWritesTheRow();

private:
    void listNow();
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_card;
    std::unique_ptr<SongListModel> m_songs;
    SessionState m_props;
    std::unique_ptr<CardListing> m_cardListing;
};

void TestCardListing::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    m_card = m_tmp->path() + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s;
    QDir().mkpath(m_card);
    testsupport::useHermeticFolders(m_tmp->path());
    m_songs = std::make_unique<SongListModel>();
    m_props = SessionState();
    m_props.destinationFolder = FileItem(m_card);
    m_cardListing = std::make_unique<CardListing>(m_songs.get(), m_props);
}

void TestCardListing::listNow()
{
    QSignalSpy listed(m_cardListing.get(), &CardListing::finished);
    m_cardListing->listCard();
    QVERIFY(listed.wait(5000));
}

void TestCardListing::listsInTheCardsOrder()
{
    Card card(m_card);
    // One replace-all transfer of three songs, then two songs added later (dated earlier).
    card.addSong(0, u"夜空"_s, 0);
    card.addSong(1, u"Intro"_s, 1);
    card.addSong(2, u"Outro"_s, 2);
    card.addSong(3, u"追加"_s, 10);
    card.addSong(4, u"Last"_s, 11, 5000);
    card.write();
    listNow();
    QCOMPARE(testsupport::column(*m_songs, 1), (QStringList{u"夜空"_s, u"Intro"_s, u"Outro"_s, u"追加"_s, u"Last"_s}));
    QCOMPARE(testsupport::column(*m_songs, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s, u"4 "_s, u"5 "_s}));
    QCOMPARE(m_songs->cell(0, 2), u" SDS_0000.3G2"_s);
    QCOMPARE(m_songs->cell(0, 3), u"202612011230"_s);
    QCOMPARE(m_songs->cell(4, 4), u"5 KB "_s); // 5000 bytes in KB of 1000, as the song list counts
    for (int r = 0; r < 5; ++r)
        QVERIFY(m_songs->isChecked(r));
    QCOMPARE(m_songs->headerData(1, Qt::Horizontal).toString(), u"タイトル"_s);
    QCOMPARE(m_songs->headerData(2, Qt::Horizontal).toString(), u"ファイル名"_s);
    QCOMPARE(m_songs->headerData(3, Qt::Horizontal).toString(), u"日付"_s);
}

void TestCardListing::clearedSlotsAndMissingSongsAreLeftOut()
{
    Card card(m_card);
    card.addSong(0, u"A"_s, 0);
    card.addSong(1, u"Cleared"_s, 1);
    card.addSong(2, u"Gone"_s, 2);
    card.addSong(3, u"D"_s, 3);
    // Slot 1 cleared as the card rewrite does: the number stays, the length byte is 0.
    QByteArray &mgr = card.mgr(0);
    mgr.replace(slotOffset(1) + 12, 53, QByteArray(53, '\0'));
    card.write();
    QVERIFY(QFile::remove(m_card + u"/SDS_0002.3G2"_s));
    listNow();
    // A song file that went missing hides neither the songs after it nor the order.
    QCOMPARE(testsupport::column(*m_songs, 1), (QStringList{u"A"_s, u"D"_s}));
    QCOMPARE(m_props.checkedCount, 2);
}

void TestCardListing::twoManagementFilesAreCountedOnce()
{
    Card card(m_card);
    for (int n = 0; n < 120; ++n)
        card.addSong(n, u"曲%1"_s.arg(n), n, 1024);
    card.write();
    QSignalSpy totals(m_cardListing.get(), &CardListing::totalsChanged);
    listNow();
    QCOMPARE(m_songs->rowCount(), 120);
    QCOMPARE(m_props.checkedCount, 120);
    QCOMPARE(m_props.checkedSizeKB, 120);
    QCOMPARE(totals.count(), 2); // once per management file
    QCOMPARE(m_songs->cell(119, 1), u"曲119"_s);
}

void TestCardListing::unreadableFileStopsWhereItIs()
{
    Card card(m_card);
    card.addSong(1, u"Older"_s, 5);
    card.addSong(0, u"Newer"_s, 0);
    card.addSong(100, u"Beyond"_s, 9);
    card.write();
    QVERIFY(QFile::resize(m_card + u"/SD_F_001.MGR"_s, 100));
    listNow();
    // The first file's songs stay as read, unsorted; nothing of the damaged file is listed.
    QCOMPARE(testsupport::column(*m_songs, 1), (QStringList{u"Newer"_s, u"Older"_s}));
    QCOMPARE(m_props.checkedCount, 2);
}

void TestCardListing::stopEndsTheListingAfterAFile()
{
    Card card(m_card);
    // Each song newer than the one before: a sorted listing starts with the last one.
    for (int n = 0; n < 120; ++n)
        card.addSong(n, u"曲%1"_s.arg(n), 120 - n, 1024);
    card.write();
    // Asked while the first management file's songs come in: the second is never read.
    const QMetaObject::Connection stop =
        connect(m_cardListing.get(), &CardListing::totalsChanged, m_cardListing.get(), &coop::Thread::requestStop);
    listNow();
    QCOMPARE(m_songs->rowCount(), 100);
    QCOMPARE(m_props.checkedCount, 100);
    QCOMPARE(m_songs->cell(0, 1), u"曲0"_s); // left as read, like a listing cut short by a bad file

    // The next listing starts without the old request.
    disconnect(stop);
    listNow();
    QCOMPARE(m_songs->rowCount(), 120);
    QCOMPARE(m_songs->cell(0, 1), u"曲119"_s);
}

void TestCardListing::windowModeEnterTwiceAndLeave()
{
    Card card(m_card);
    card.addSong(0, u"A"_s, 0);
    card.write();
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    w.props().destinationFolder = FileItem(m_card);
    w.songListView()->setColumnWidth(2, 123);
    const QString songWidths = w.songListView()->columnWidthsText();
    QSignalSpy listed(w.cardListing(), &CardListing::finished);
    w.listCard();
    QVERIFY(listed.wait(5000));
    w.listCard();
    QVERIFY(listed.wait(5000));
    QVERIFY(w.cardListingMode());
    QCOMPARE(w.sourceLabel()->text(), u"転送先フォルダのリスト"_s);
    QVERIFY(!w.cardCheckBox()->isEnabled());
    QVERIFY(!w.addCheckBox()->isEnabled());
    QCOMPARE(w.songListView()->columnWidth(2), 95);
    QCOMPARE(w.statusLine()->text(), u"選曲  1 曲、 0.00 MB"_s);

    // Choosing a music folder leaves the mode first.
    auto prompts = std::make_unique<ScriptedPrompts>();
    prompts->folders = {m_tmp->path()};
    Prompts::install(std::move(prompts));
    w.chooseMusicFolder();
    QVERIFY(!w.cardListingMode());
    QVERIFY(w.cardCheckBox()->isEnabled());
    QVERIFY(w.addCheckBox()->isEnabled());
    QCOMPARE(w.songListView()->columnWidthsText(), songWidths);
    QCOMPARE(w.songList()->headerData(1, Qt::Horizontal).toString(), u"曲名"_s);
}

void TestCardListing::transferButtonAppliesTheEdits_data()
{
    QTest::addColumn<QList<int>>("unchecked"); // rows, in the listing's order
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("titlesAfter");
    QTest::addColumn<QStringList>("filesAfter");
    const QStringList all{u"SDS_0000.3G2"_s, u"SDS_0001.3G2"_s, u"SDS_0002.3G2"_s, u"SDS_0003.3G2"_s, u"SDS_0004.3G2"_s};
    QTest::newRow("all kept: nothing asked") << QList<int>{} << true << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s} << all;
    QTest::newRow("two of five deleted") << QList<int>{1, 3} << true << QStringList{u"A"_s, u"C"_s, u"E"_s}
                                         << QStringList{u"SDS_0000.3G2"_s, u"SDS_0002.3G2"_s, u"SDS_0004.3G2"_s};
    QTest::newRow("キャンセル") << QList<int>{1, 3} << false << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s} << all;
}

void TestCardListing::transferButtonAppliesTheEdits()
{
    QFETCH(QList<int>, unchecked);
    QFETCH(bool, confirm);
    QFETCH(QStringList, titlesAfter);
    QFETCH(QStringList, filesAfter);
    Card card(m_card);
    const QStringList titles{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s};
    for (int n = 0; n < 5; ++n)
        card.addSong(n, titles[n], n);
    card.write();
    const QByteArray mgrBefore = testsupport::readFile(m_card + u"/SD_F_000.MGR"_s);
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    w.props().destinationFolder = FileItem(m_card);
    QSignalSpy listed(w.cardListing(), &CardListing::finished);
    w.listCard();
    QVERIFY(listed.wait(5000));
    QCOMPARE(testsupport::column(*w.songList(), 1), titles);
    for (int r : unchecked)
        w.songList()->setChecked(r, false);

    QTest::mouseClick(w.transferButton(), Qt::LeftButton);
    auto *ask = w.findChild<DeleteConfirmation *>();
    QCOMPARE(bool(ask), !unchecked.isEmpty());
    if (ask) {
        QCOMPARE(ask->text()->text(), u"チェックボックスのチェックを外した曲を削除\nしますか？"_s);
        QVERIFY(ask->busyIndicator()->isHidden());
        QVERIFY(QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR)));
        QVERIFY(ask->grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/delete-confirmation.png"_s));
        if (!confirm) {
            QTest::mouseClick(ask->cancelButton(), Qt::LeftButton);
            QTRY_VERIFY(!w.findChild<DeleteConfirmation *>());
            QVERIFY(!w.findChild<CardUpdateWindow *>());
            QCOMPARE(testsupport::readFile(m_card + u"/SD_F_000.MGR"_s), mgrBefore);
            for (int r : unchecked)
                QVERIFY(!w.songList()->isChecked(r)); // the rows stay as the user left them
            return;
        }
        QTest::mouseClick(ask->deleteButton(), Qt::LeftButton);
        QCOMPARE(ask->text()->text(), u"転送先フォルダの更新中..."_s);
        QVERIFY(!ask->cancelButton()->isEnabled() && !ask->deleteButton()->isEnabled());
    }
    QVERIFY(w.findChild<CardUpdateWindow *>());
    QTRY_VERIFY(!w.findChild<CardUpdateWindow *>());
    QTRY_VERIFY(!w.findChild<DeleteConfirmation *>());
    QTRY_VERIFY(!w.cardListing()->isRunning());
    // Listed again: the card as it is now, every row checked.
    QCOMPARE(testsupport::column(*w.songList(), 1), titlesAfter);
    for (int r = 0; r < w.songList()->rowCount(); ++r)
        QVERIFY(w.songList()->isChecked(r));
    QCOMPARE(QDir(m_card).entryList({u"*.3G2"_s}, QDir::Files, QDir::Name), filesAfter);
    // A deleted song's slot keeps its number, the rest of its 53 bytes zero.
    const QByteArray mgr = testsupport::readFile(m_card + u"/SD_F_000.MGR"_s);
    QCOMPARE(mgr.size(), kMgrFileSize);
    for (int r : unchecked) {
        const QByteArray slot = mgr.mid(slotOffset(r), kSlotSize);
        QCOMPARE(slot.left(12), mgrBefore.mid(slotOffset(r), 12));
        QCOMPARE(slot.mid(12, 53), QByteArray(53, '\0'));
    }
}

void TestCardListing::aCardChangedSinceListingIsNotWritten()
{
    Card card(m_card);
    for (int n = 0; n < 3; ++n)
        card.addSong(n, u"S%1"_s.arg(n), n);
    card.write();
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *prompts = scripted.get();
    Prompts::install(std::move(scripted));
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    w.props().destinationFolder = FileItem(m_card);
    QSignalSpy listed(w.cardListing(), &CardListing::finished);
    w.listCard();
    QVERIFY(listed.wait(5000));
    w.songList()->setCell(0, 1, u"renamed"_s);
    // The card changes behind the listing's back.
    QVERIFY(QFile::remove(m_card + u"/SDS_0001.3G2"_s));
    const QByteArray mgrBefore = testsupport::readFile(m_card + u"/SD_F_000.MGR"_s);
    QTest::mouseClick(w.transferButton(), Qt::LeftButton);
    QTRY_VERIFY(!w.findChild<CardUpdateWindow *>());
    QTRY_VERIFY(!w.cardListing()->isRunning());
    QCOMPARE(prompts->texts().size(), 1); // the user is told
    QCOMPARE(testsupport::readFile(m_card + u"/SD_F_000.MGR"_s), mgrBefore);
    // And the list shows the card as it is now.
    QCOMPARE(testsupport::column(*w.songList(), 1), (QStringList{u"S0"_s, u"S2"_s}));
}

void TestCardListing::songListComesBackByMenu()
{
    Card card(m_card);
    card.addSong(0, u"A"_s, 0);
    card.write();
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    w.props().destinationFolder = FileItem(m_card);
    QList<SongRow> mine;
    for (int i = 1; i <= 3; ++i)
        mine << SongRow::make(QString::number(i) + u' ', u"mine %1"_s.arg(i), u"a"_s, u"b"_s, 1000, u"HD:%1.m4a"_s.arg(i), u"HD:"_s);
    mine[1].checked = false;
    w.songList()->appendRows(mine);
    w.sourceRecord()->addSource(u"HD:Music:"_s);
    QAction *back = bar.action(u"returnToSongList"_s);
    QVERIFY(back);
    bar.applyAutoEnable();
    w.enableMenuItems(bar);
    QVERIFY(!back->isEnabled());

    QSignalSpy listed(w.cardListing(), &CardListing::finished);
    w.listCard();
    QVERIFY(listed.wait(5000));
    QCOMPARE(testsupport::column(*w.songList(), 1), QStringList{u"A"_s});
    bar.applyAutoEnable();
    w.enableMenuItems(bar);
    QVERIFY(back->isEnabled());
    QVERIFY(w.handleCommand(u"returnToSongList"_s));
    QVERIFY(!w.cardListingMode());
    QCOMPARE(testsupport::column(*w.songList(), 1), (QStringList{u"mine 1"_s, u"mine 2"_s, u"mine 3"_s}));
    QVERIFY(!w.songList()->isChecked(1));
    QCOMPARE(w.sourceLabel()->text(), u"HD:Music:"_s);
}

void TestCardListing::songInfoWritesTheRow_data()
{
    QTest::addColumn<bool>("cardListing");
    QTest::newRow("the song list") << false;
    QTest::newRow("the card listing") << true;
}

void TestCardListing::songInfoWritesTheRow()
{
    QFETCH(bool, cardListing);
    Card card(m_card);
    card.addSong(0, u"A"_s, 0);
    card.write();
    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.show();
    QTRY_VERIFY(w.busyIndicator()->isHidden());
    w.props().destinationFolder = FileItem(m_card);
    w.songList()->appendRow(SongRow::make(u"1 "_s, u" Song "_s, u"Band"_s, u"Best"_s, 1000, u"HD:Music:x.m4a"_s, u"HD:"_s));
    if (cardListing) {
        QSignalSpy listed(w.cardListing(), &CardListing::finished);
        w.listCard();
        QVERIFY(listed.wait(5000));
    }
    // A double click on the row opens it, as "情報を見る..." does.
    const QModelIndex index = w.songList()->index(0, 1);
    emit w.songListView()->doubleClicked(index);
    SongInfoWindow *info = w.songInfoWindow();
    QVERIFY(info);
    if (cardListing) {
        QCOMPARE(info->locationText()->text(), FileItem(m_card).colonPath() + u"SDS_0000.3G2"_s);
        QVERIFY(!info->artistField()->isEnabled());
    } else {
        QCOMPARE(info->locationText()->text(), u"HD:Music:x.m4a"_s);
        QCOMPARE(info->titleField()->text(), u"Song"_s);
        QCOMPARE(info->artistField()->text(), u"Band"_s);
    }
    info->titleField()->setText(u"New"_s);
    QTest::mouseClick(info->changeButton(), Qt::LeftButton);
    QTRY_VERIFY(!w.songInfoWindow());
    QCOMPARE(w.songList()->cell(0, 1), u"New"_s);
    if (!cardListing) {
        // Artist and album go back with the leading blank the rows keep.
        QCOMPARE(w.songList()->cell(0, 2), u" Band"_s);
        QCOMPARE(w.songList()->cell(0, 3), u" Best"_s);
    }
}

QTEST_MAIN(TestCardListing)
#include "test_cardlisting.moc"
