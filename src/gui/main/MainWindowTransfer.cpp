// The main window's side of a transfer: the transfer button and its control object.

#include "gui/main/MainWindow.h"

#include "core/transfer/TransferJob.h"
#include "core/destination/Destination.h"
#include "gui/transfer/TransferController.h"
#include "core/platform/Prompts.h"
#include "gui/songlist/SongListView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

void MainWindow::buildTransfer()
{
    TransferController::Host host;
    host.window = this;
    host.songs = m_songs;
    host.list = m_list;
    host.props = &m_props;
    host.addBox = m_addBox;
    host.transferButton = m_transferButton;
    host.destinationLabel = m_destinationLabel;
    host.capacityLabel = m_capacityLabel;
    host.hideSourcePopup = [this] { hideSourcePopup(); };
    host.measureDestination = [this] { m_destination->measureDestination(); };
    host.showCapacity = [this] { m_destination->showCapacity(); };
    m_transfer = new TransferController(std::move(host), this);
    connect(m_transferButton, &QPushButton::clicked, this, [this] {
        // In card listing mode the button will apply the card edits; until the card rewrite
        // exists it refuses with a beep rather than doing nothing.
        if (!cardListingMode())
            startTransfer();
        else
            Prompts::instance().beep();
    });
}

TransferJob *MainWindow::transferJob() const { return m_transfer->transferJob(); }

void MainWindow::startTransfer() { m_transfer->startTransfer(); }

void MainWindow::runTransfer() { m_transfer->runTransfer(); }
