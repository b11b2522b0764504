// The main window's side of a transfer: the transfer button and its control object, wired
// to the window's controls.

#include "gui/main/MainWindow.h"

#include "core/destination/Destination.h"
#include "core/platform/Prompts.h"
#include "core/songlist/CheckCommands.h"
#include "core/transfer/TransferJob.h"
#include "gui/songlist/SongListView.h"
#include "gui/transfer/TransferController.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

void MainWindow::buildTransfer()
{
    m_transfer = new TransferController(this, m_songs, &m_props, this);
    m_transfer->setAddMode(m_addBox->isChecked());
    connect(m_addBox, &QCheckBox::toggled, m_transfer, &TransferController::setAddMode);
    connect(m_transfer, &TransferController::addModeChosen, m_addBox, [this] { m_addBox->setChecked(true); });
    connect(m_transfer, &TransferController::popupShouldHide, this, [this] { hideSourcePopup(); });
    connect(m_transfer, &TransferController::destinationShouldBeMeasured, m_destination,
            &Destination::measureDestination, Qt::DirectConnection);
    connect(m_transfer, &TransferController::destinationChosen, this,
            [this](const QString &destinationText, const QString &capacityText) {
                m_destinationLabel->setText(destinationText);
                m_capacityLabel->setText(capacityText);
            });
    connect(m_transfer, &TransferController::selectionShouldClear, m_list, &QAbstractItemView::clearSelection);
    connect(m_transfer, &TransferController::capacityShouldRefresh, m_destination, &Destination::showCapacity);
    connect(m_transfer, &TransferController::transferButtonShouldEnable, m_transferButton,
            [this] { m_transferButton->setEnabled(true); });
    // How the last run went stays in the status line until the next command.
    connect(m_transfer, &TransferController::outcomeReady, m_statusLine, &QLabel::setText);
    connect(m_transferButton, &QPushButton::clicked, this, [this] {
        showTotals();
        // In card listing mode the button applies the edits made to the card's rows.
        if (!cardListingMode())
            startTransfer();
        else
            applyCardEdits();
    });
}

TransferJob *MainWindow::transferJob() const { return m_transfer->transferJob(); }

void MainWindow::startTransfer() { m_transfer->startTransfer(); }

void MainWindow::runTransfer() { m_transfer->runTransfer(); }
