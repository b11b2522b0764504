// The main window's side of the card editor: card listing mode.

#include "gui/main/MainWindow.h"

#include "core/cardedit/CardListing.h"
#include "core/cardedit/CardRewrite.h"
#include "core/platform/ColonPathResolver.h"
#include "core/platform/Prompts.h"
#include "core/songlist/SongListModel.h"
#include "gui/cardedit/CardUpdateWindow.h"
#include "gui/cardedit/DeleteConfirmation.h"
#include "gui/songlist/SongInfoWindow.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SessionState.h"
#include "gui/songlist/SongListView.h"
#include "core/sources/FolderScan.h"
#include "core/sources/SourceRecord.h"

#include <QCheckBox>
#include <QScrollBar>

using namespace Qt::StringLiterals;

void MainWindow::buildCardListing()
{
    m_cardListing = new CardListing(m_songs, m_props, m_sources, this);
    registerCommand(QStringLiteral("listCard"), [this] { listCard(); });
    registerCommand(QStringLiteral("returnToSongList"), [this] { m_cardListing->returnToSongList(); });
    registerCommand(QStringLiteral("showInfo"), [this] {
        const QList<int> rows = selectedRows();
        if (!rows.isEmpty())
            openSongInfo(rows.first());
    });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            openSongInfo(index.row());
    });
    connect(m_cardListing, &CardListing::totalsChanged, m_checks, &CheckCommands::writeStatus);
    connect(m_cardListing, &CardListing::modeChanged, this, [this](bool cardListing) {
        if (cardListing) {
            // The title column takes what the other shown columns leave.
            const int size = m_list->sizeColumnWidth();
            const int title = std::max(60, m_list->viewport()->width() - 34 - 95 - size);
            m_list->setColumnWidthsText(u"34,%1,95,0,%2,0,0"_s.arg(title).arg(size));
            m_list->setColumnHidden(3, true);
        } else {
            m_list->setColumnHidden(3, false);
            m_list->setColumnWidthsText(m_props.savedColumnWidths);
            m_cardBox->setEnabled(true);
            m_addBox->setEnabled(true);
        }
    });
    connect(m_scan, &FolderScan::songListNeeded, m_cardListing, &CardListing::returnToSongList);
}

bool MainWindow::cardListingMode() const { return m_cardListing && m_cardListing->cardListingMode; }

void MainWindow::listCard()
{
    // The listing sets the song list and its sources aside and labels the source itself.
    if (!m_cardListing->cardListingMode)
        m_props.savedColumnWidths = m_list->columnWidthsText();
    m_cardListing->listCard();
    // The destination and the transfer mode stay as they are while the card is listed.
    m_cardBox->setEnabled(false);
    m_addBox->setEnabled(false);
}

void MainWindow::applyCardEdits()
{
    if (m_cardRewrite && m_cardRewrite->isRunning())
        return;
    int unchecked = 0;
    for (int r = 0; r < m_songs->rowCount(); ++r)
        unchecked += !m_songs->isChecked(r);
    if (unchecked == 0) {
        startCardRewrite(nullptr);
        return;
    }
    auto *confirm = new DeleteConfirmation(this);
    connect(confirm, &DeleteConfirmation::deleteConfirmed, this, [this, confirm] { startCardRewrite(confirm); });
    confirm->show();
}

void MainWindow::startCardRewrite(DeleteConfirmation *confirmation)
{
    QPointer<DeleteConfirmation> asking = confirmation;
    auto *update = new CardUpdateWindow(this);
    update->show();
    if (!m_cardRewrite)
        m_cardRewrite = new CardRewrite(this);
    CardRewrite *job = m_cardRewrite;
    job->disconnect(this);
    job->setFolder(m_props.destinationFolder);
    job->setListing(m_cardListing->listedFolder(), m_cardListing->listedSongFiles());
    job->setRows(CardRewrite::rowsFromSongList(*m_songs));
    connect(job, &CardRewrite::progress, update, &CardUpdateWindow::setProgress);
    connect(job, &CardRewrite::rewriteEnded, this, [this, asking, update](const CardRewriteResult &result) {
        if (asking)
            asking->finish();
        if (!result.message.isEmpty())
            Prompts::instance().showMessage(result.message, Prompts::Icon::Caution);
        // Whatever went, the list shows the card as it is now.
        listCard();
        connect(m_cardListing, &coop::Thread::finished, update, &CardUpdateWindow::finish,
                Qt::SingleShotConnection);
    });
    job->start();
}

void MainWindow::openSongInfo(int row)
{
    if (row < 0 || row >= m_songs->rowCount() || m_songInfo)
        return;
    SongInfo info;
    info.cardListing = cardListingMode();
    info.title = m_songs->cell(row, SongRow::Title).trimmed();
    if (info.cardListing) {
        // The listing's second column is the song file's name.
        info.location = m_props.destinationFolder.colonPath() + m_songs->cell(row, 2).trimmed();
    } else {
        info.artist = m_songs->cell(row, SongRow::Artist).trimmed();
        info.album = m_songs->cell(row, SongRow::Album).trimmed();
        info.location = m_songs->cell(row, SongRow::Path);
    }
    info.previewFile = ColonPathResolver::resolve(info.location);
    m_songInfo = new SongInfoWindow(info, this);
    // The row is found again by its path and place: the list may not change under a modal
    // window, but a loader may still be adding rows at the end.
    connect(m_songInfo, &SongInfoWindow::changesAccepted, this,
            [this, row, cardListing = info.cardListing](const QString &title, const QString &artist, const QString &album) {
                if (row >= m_songs->rowCount())
                    return;
                m_songs->setCell(row, SongRow::Title, title);
                if (!cardListing) {
                    m_songs->setCell(row, SongRow::Artist, u' ' + artist);
                    m_songs->setCell(row, SongRow::Album, u' ' + album);
                }
            });
    m_songInfo->show();
}
