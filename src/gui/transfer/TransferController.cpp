#include "gui/transfer/TransferController.h"

#include "core/library/LibraryBridge.h"
#include "core/destination/Destination.h"
#include "core/transfer/TransferJob.h"
#include "gui/transfer/TransferProgressDialog.h"
#include "gui/transfer/ReplaceOrAddDialog.h"
#include "core/platform/Prompts.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TransferController::TransferController(Host host, QObject *parent)
    : QObject(parent), m_host(std::move(host)), m_thread(new TransferJob(this))
{
    // The free space goes through the bridge, so a script of that name can answer for it.
    m_thread->setFreeSpaceQuery([](const QString &volume) {
        return LibraryBridge::instance().call(QStringLiteral("gFreeSpace"), {volume});
    });
    connect(m_thread, &TransferJob::progressChanged, this, [this](int handled, int maximum) {
        if (!m_progressDialog)
            return;
        m_progressDialog->progressBar()->setValue(handled);
        m_progressDialog->counter()->setText(TransferJob::counterText(handled, maximum));
    });
    connect(m_thread, &TransferJob::transferEnded, this, &TransferController::onEnded);
}

TransferController::~TransferController()
{
    delete m_progressDialog;
    delete m_replaceOrAdd;
}

TransferProgressDialog *TransferController::progressWindow() const { return m_progressDialog; }

ReplaceOrAddDialog *TransferController::confirmationDialog() const { return m_replaceOrAdd; }

void TransferController::enableTransferButton()
{
    if (m_host.transferButton)
        m_host.transferButton->setEnabled(true);
}

void TransferController::startTransfer()
{
    if (m_host.hideSourcePopup)
        m_host.hideSourcePopup();
    SessionState &props = *m_host.props;
    if (props.destinationFolder.isNull()) {
        Prompts &prompts = Prompts::instance();
        prompts.showMessage(QStringLiteral("転送先のフォルダが指定されていません"), Prompts::Icon::Caution);
        const QString chosen = prompts.chooseFolder(QStringLiteral("転送先選択"), QStringLiteral("選択"));
        if (chosen.isEmpty()) {
            prompts.beep();
            enableTransferButton();
            return;
        }
        props.destinationFolder = FileItem(chosen);
        if (m_host.measureDestination)
            m_host.measureDestination();
        m_host.destinationLabel->setText(props.destinationFolder.colonPath());
        m_host.capacityLabel->setText(props.diskEjectable
                                          ? Destination::capacityText(QString::fromUtf16(Destination::kCardPrefix),
                                                                      props.destinationSizeKB, props.diskFreeSpace)
                                          : QString());
    }
    if (m_host.addBox->isChecked()) {
        runTransfer();
        return;
    }
    if (m_replaceOrAdd)
        return;
    m_replaceOrAdd = new ReplaceOrAddDialog(m_host.window);
    connect(m_replaceOrAdd, &ReplaceOrAddDialog::chosen, this, &TransferController::onChosen);
    connect(m_replaceOrAdd, &ReplaceOrAddDialog::closed, this, &TransferController::enableTransferButton);
    m_replaceOrAdd->show();
}

void TransferController::onChosen(int choice)
{
    if (choice == ReplaceOrAddDialog::Add)
        m_host.addBox->setChecked(true);
    if (choice == ReplaceOrAddDialog::Add || choice == ReplaceOrAddDialog::ReplaceAll)
        runTransfer();
}

void TransferController::runTransfer()
{
    // One run at a time: the timer re-enables the button while a transfer goes on.
    if (m_thread->isRunning()) {
        Prompts::instance().beep();
        return;
    }
    if (!m_progressDialog) {
        m_progressDialog = new TransferProgressDialog(m_host.window);
        connect(m_progressDialog, &TransferProgressDialog::stopPressed, m_thread, &TransferJob::requestStop);
        connect(m_progressDialog, &TransferProgressDialog::closed, this, &TransferController::enableTransferButton);
    }
    m_progressDialog->progressBar()->setMaximum(std::max(m_host.props->checkedCount, 1));
    m_progressDialog->progressBar()->setValue(0);
    m_progressDialog->show();
    if (m_host.songs->rowCount() == 0) {
        Prompts::instance().beep();
        return;
    }
    m_host.list->clearSelection();
    const bool add = m_host.addBox->isChecked();
    // Replace mode empties the destination of songs, scratch copies and management files
    // first, inside the run, yielding after each file.
    m_thread->setClearFirst(!add);
    m_thread->setAddMode(add);
    m_thread->setDestinationFolder(m_host.props->destinationFolder);
    m_thread->setSongList(m_host.songs);
    m_thread->setProgressMaximum(m_host.props->checkedCount);
    m_thread->setWindowMode(0);
    m_thread->start();
}

void TransferController::onEnded(const TransferReport &report)
{
    if (m_host.showCapacity)
        m_host.showCapacity();
    if (!m_progressDialog)
        return; // the user's stop already closed it
    if (report.message.isEmpty())
        m_progressDialog->close();
    else
        m_progressDialog->showReport(report.message);
}
