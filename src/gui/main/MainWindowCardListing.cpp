// The main window's side of the card editor: card listing mode.

#include "gui/main/MainWindow.h"

#include "core/cardedit/CardListing.h"
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
    m_cardListing = new CardListing(m_songs, m_props, this);
    registerCommand(QStringLiteral("listCard"), [this] { listCard(); });
    connect(m_cardListing, &CardListing::totalsChanged, m_checks, &CheckCommands::writeStatus);
    connect(m_cardListing, &CardListing::modeChanged, this, [this](bool cardListing) {
        if (cardListing) {
            // The title column takes what the other shown columns leave.
            const int title = std::max(60, m_list->viewport()->width() - 34 - 95 - 80);
            m_list->setColumnWidthsText(u"34,%1,95,0,80,0,0"_s.arg(title));
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
    m_sources->setLabel(QStringLiteral("転送先フォルダのリスト"));
    if (!m_cardListing->cardListingMode)
        m_props.savedColumnWidths = m_list->columnWidthsText();
    m_cardListing->listCard();
    // The destination and the transfer mode stay as they are while the card is listed.
    m_cardBox->setEnabled(false);
    m_addBox->setEnabled(false);
}
