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

QStringList column(const SongListModel &m, int c)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.cell(r, c);
    return out;
}

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
    QCOMPARE(column(*m_songs, 1), (QStringList{u"夜空"_s, u"Intro"_s, u"Outro"_s, u"追加"_s, u"Last"_s}));
    QCOMPARE(column(*m_songs, 0), (QStringList{u"1 "_s, u"2 "_s, u"3 "_s, u"4 "_s, u"5 "_s}));
    QCOMPARE(m_songs->cell(0, 2), u" SDS_0000.3G2"_s);
    QCOMPARE(m_songs->cell(0, 3), u"202612011230"_s);
    QCOMPARE(m_songs->cell(4, 4), u"4 KB "_s); // 5000 bytes in KB of 1024, truncated
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
    QCOMPARE(column(*m_songs, 1), (QStringList{u"A"_s, u"D"_s}));
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
    QCOMPARE(column(*m_songs, 1), (QStringList{u"Newer"_s, u"Older"_s}));
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

QTEST_MAIN(TestCardListing)
#include "test_cardlisting.moc"
