#include "core/card/CardLayout.h"
#include "core/cardedit/CardListing.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextCodec.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/FolderScan.h"
#include "core/sources/SourceRecord.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

#include <memory>

using namespace Qt::StringLiterals;
using namespace CardFormat;

namespace {

SongRow songRow(const QString &number, const QString &title, bool checked)
{
    SongRow row = SongRow::make(number, title, u"Artist"_s, u"Album"_s, 4000, u"HD:Music:"_s + title + u".m4a"_s,
                                u"HD:Music:"_s);
    row.checked = checked;
    return row;
}

} // namespace

// The song list set aside while the card is listed, and brought back on return.
class TestCardListingSetAside final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void returnBringsTheSongListBack_data();
    void returnBringsTheSongListBack();
    void folderLoadedAfterReturnAppends();
    void returnWithoutListingChangesNothing();

private:
    void listNow();

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_card;
    QString m_music;
    std::unique_ptr<SongListModel> m_songs;
    std::unique_ptr<SourceRecord> m_sources;
    SessionState m_props;
    std::unique_ptr<CardListing> m_listing;
};

void TestCardListingSetAside::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    testsupport::useHermeticFolders(m_tmp->path());
    m_card = m_tmp->path() + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s;
    m_music = m_tmp->path() + u"/volumes/HD/Music"_s;
    QByteArray mgr = newMgrFile(0);
    mgr.replace(slotOffset(0), kSlotSize, usedSlot(0, ShiftJis::encode(u"カードの曲"_s)));
    QVERIFY(testsupport::writeFile(m_card + u"/SD_F_000.MGR"_s, mgr));
    QVERIFY(testsupport::writeFile(m_card + u"/SDS_0000.3G2"_s, "song"));
    QVERIFY(testsupport::writeFile(m_music + u"/New Song.m4a"_s, "new"));

    m_songs = std::make_unique<SongListModel>();
    m_sources = std::make_unique<SourceRecord>();
    m_props = SessionState();
    m_props.destinationFolder = FileItem(m_card);
    m_listing = std::make_unique<CardListing>(m_songs.get(), m_props, m_sources.get());

    m_songs->appendRows({songRow(u"1 "_s, u"One"_s, true), songRow(u"2 "_s, u"Two"_s, false),
                         songRow(u"3 "_s, u"Three"_s, true)});
    // The record grows at both ends: a start-up list at the bottom, later sources on top.
    m_sources->appendSource(u"曲リスト"_s);
    m_sources->addSource(u"HD:Music:"_s);
    m_sources->addSource(u"HD:Other:"_s);
    m_sources->pickedRow = 2;
    m_sources->setLabel(u"HD:Music:"_s);
    m_props.nextFileNumber = 4;
    m_props.checkedCount = 2;
    m_props.checkedSizeKB = 8;
}

void TestCardListingSetAside::listNow()
{
    QSignalSpy listed(m_listing.get(), &coop::Thread::finished);
    m_listing->listCard();
    QVERIFY(listed.wait(5000));
}

void TestCardListingSetAside::returnBringsTheSongListBack_data()
{
    QTest::addColumn<int>("listings");
    QTest::newRow("listed once") << 1;
    // Listing again while the card is shown must not set the card's rows aside instead.
    QTest::newRow("listed twice") << 2;
}

void TestCardListingSetAside::returnBringsTheSongListBack()
{
    QFETCH(int, listings);
    const QList<SongRow> rows = m_songs->rows();
    const QStringList sourceRows = m_sources->rows();
    for (int i = 0; i < listings; ++i)
        listNow();
    QCOMPARE(m_songs->rowCount(), 1);
    QCOMPARE(m_songs->cell(0, 1), u"カードの曲"_s);
    QCOMPARE(m_sources->label(), u"転送先フォルダのリスト"_s);
    QCOMPARE(m_props.checkedCount, 1);

    QSignalSpy totals(m_listing.get(), &CardListing::totalsChanged);
    m_listing->returnToSongList();
    QVERIFY(!m_listing->cardListingMode);
    QCOMPARE(m_songs->rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        QCOMPARE(m_songs->row(r).cells, rows[r].cells);
        QCOMPARE(m_songs->isChecked(r), rows[r].checked);
    }
    QCOMPARE(m_songs->headerData(1, Qt::Horizontal).toString(), u"曲名"_s);
    QCOMPARE(m_sources->rows(), sourceRows);
    QCOMPARE(m_sources->label(), u"HD:Music:"_s);
    QCOMPARE(m_sources->pickedRow, 2);
    QCOMPARE(m_props.nextFileNumber, 4);
    QCOMPARE(m_props.checkedCount, 2);
    QCOMPARE(m_props.checkedSizeKB, 8);
    QCOMPARE(totals.size(), 1); // the status line shows the song list's totals again
}

void TestCardListingSetAside::folderLoadedAfterReturnAppends()
{
    listNow();
    FolderScan scan(m_songs.get(), &m_props, m_sources.get());
    // The way the window wires it: a chosen folder leaves the card listing first.
    connect(&scan, &FolderScan::songListNeeded, m_listing.get(), &CardListing::returnToSongList);
    auto prompts = std::make_unique<ScriptedPrompts>();
    prompts->folders = {m_music};
    Prompts::install(std::move(prompts));
    scan.chooseMusicFolder();
    QVERIFY(!m_listing->cardListingMode);
    QTRY_VERIFY_WITH_TIMEOUT(!scan.isBusy(), 10000);
    QCOMPARE(m_songs->rowCount(), 4);
    QCOMPARE(m_songs->cell(2, 1), u"Three"_s);
    QCOMPARE(m_songs->cell(3, 1), u"New Song"_s);
    QCOMPARE(m_songs->cell(3, 0), u"4 "_s); // numbered on from the rows built before
    QCOMPARE(m_props.nextFileNumber, 5);
}

void TestCardListingSetAside::returnWithoutListingChangesNothing()
{
    QSignalSpy mode(m_listing.get(), &CardListing::modeChanged);
    m_listing->returnToSongList();
    QCOMPARE(m_songs->rowCount(), 3);
    QCOMPARE(m_sources->label(), u"HD:Music:"_s);
    QCOMPARE(mode.size(), 0);
}

QTEST_GUILESS_MAIN(TestCardListingSetAside)
#include "test_cardlisting.moc"
