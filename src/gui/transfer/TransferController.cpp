#include "gui/transfer/TransferController.h"

#include "core/destination/Destination.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/TransferSetup.h"
#include "gui/transfer/TransferProgressDialog.h"
#include "gui/transfer/ReplaceOrAddDialog.h"
#include "core/platform/AppPaths.h"
#include "core/platform/Prompts.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

TransferController::TransferController(QWidget *window, SongListModel *songs, SessionState *session, QObject *parent)
    : QObject(parent), m_window(window), m_songs(songs), m_session(session), m_thread(new TransferJob(this))
{
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

bool TransferController::refuseEmptyList()
{
    const QList<SongRow> &rows = m_songs->rows();
    if (std::any_of(rows.begin(), rows.end(), [](const SongRow &row) { return row.checked; }))
        return false;
    // Replace mode would empty the card and put nothing back: nothing is asked or opened.
    Prompts::instance().showMessage(QStringLiteral("転送する曲がありません"), Prompts::Icon::Caution);
    emit transferButtonShouldEnable();
    return true;
}

void TransferController::startTransfer()
{
    emit popupShouldHide();
    if (refuseEmptyList())
        return;
    SessionState &props = *m_session;
    if (props.destinationFolder.isNull()) {
        Prompts &prompts = Prompts::instance();
        prompts.showMessage(QStringLiteral("転送先のフォルダが指定されていません"), Prompts::Icon::Caution);
        // No destination means no card either: start where the user last chose one.
        const QString start = RecentFolders::firstExistingFolder({RecentFolders::destination(), AppPaths::appDir()});
        const QString chosen = prompts.chooseFolder(QStringLiteral("転送先選択"), QStringLiteral("選択"), start);
        if (chosen.isEmpty()) {
            prompts.beep();
            emit transferButtonShouldEnable();
            return;
        }
        props.destinationFolder = FileItem(chosen);
        RecentFolders::rememberDestination(chosen);
        emit destinationShouldBeMeasured();
        emit destinationChosen(props.destinationFolder.colonPath(),
                               props.diskEjectable
                                   ? Destination::capacityText(QString::fromUtf16(Destination::kCardPrefix),
                                                               props.destinationSizeKB, props.diskFreeSpace)
                                   : QString());
    }
    if (m_addMode) {
        runTransfer();
        return;
    }
    if (m_replaceOrAdd)
        return;
    m_replaceOrAdd = new ReplaceOrAddDialog(m_window);
    connect(m_replaceOrAdd, &ReplaceOrAddDialog::chosen, this, &TransferController::onChosen);
    connect(m_replaceOrAdd, &ReplaceOrAddDialog::closed, this, &TransferController::transferButtonShouldEnable);
    m_replaceOrAdd->show();
}

void TransferController::onChosen(int choice)
{
    if (choice == ReplaceOrAddDialog::Add) {
        m_addMode = true;
        emit addModeChosen();
    }
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
    if (refuseEmptyList())
        return;
    if (!m_progressDialog) {
        m_progressDialog = new TransferProgressDialog(m_window);
        connect(m_progressDialog, &TransferProgressDialog::stopPressed, m_thread, &TransferJob::requestStop);
        connect(m_progressDialog, &TransferProgressDialog::closed, this, &TransferController::transferButtonShouldEnable);
    }
    m_progressDialog->progressBar()->setMaximum(std::max(m_session->checkedCount, 1));
    m_progressDialog->progressBar()->setValue(0);
    m_progressDialog->show();
    emit selectionShouldClear();
    // Replace mode empties the destination of songs, scratch copies and management files
    // first, inside the run, yielding after each file.
    TransferOptions options = TransferSetup::fromPreferences(
        m_addMode ? TransferOptions::Mode::Add : TransferOptions::Mode::Replace, m_session->destinationFolder);
    options.progressMaximum = m_session->checkedCount;
    m_thread->setOptions(std::move(options));
    m_thread->setSongList(m_songs);
    m_thread->start();
}

void TransferController::onEnded(const TransferReport &report)
{
    emit capacityShouldRefresh();
    emit outcomeReady(report.outcomeText());
    if (!m_progressDialog)
        return;
    if (report.ending == TransferReport::Ending::UserStopped)
        m_progressDialog->showReport(report.outcomeText());
    else if (report.message.isEmpty())
        m_progressDialog->closeAfterRun();
    else
        m_progressDialog->showReport(report.message);
}
