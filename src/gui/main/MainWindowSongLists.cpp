// The main window's side of the song lists: the default list at start-up, the song-list
// dialog, the lists it reads and saves, and the pick-up of automatic lists.

#include "gui/main/MainWindow.h"

#include "core/cardedit/CardListing.h"
#include "core/destination/Destination.h"
#include "core/platform/AppPaths.h"
#include "core/platform/Prompts.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/ListFolderJob.h"
#include "core/sources/SongListFile.h"
#include "core/sources/SourceRecord.h"
#include "core/transfer/TransferJob.h"
#include "gui/songlist/SongListView.h"
#include "gui/sources/SongListDialog.h"
#include "gui/transfer/TransferController.h"

#include <QPushButton>
#include <QProgressBar>
#include <QTimer>

using namespace Qt::StringLiterals;

void MainWindow::buildSongLists()
{
    registerCommand(u"openSongList"_s, [this] { openSongListDialog(false); });
    registerCommand(u"saveSongListAs"_s, [this] { openSongListDialog(true); });
    registerCommand(u"saveDefaultList"_s, [this] {
        // The card listing's rows have no song paths: saved, they would spoil the list.
        if (cardListingMode())
            Prompts::instance().beep();
        else
            saveSongList(QString());
    });

    m_autoLists = new ListFolderJob(m_songs, m_sources, m_checks, m_props, AppPaths::listFolder(),
                                    ListFolderJob::Mode::PickUpAutomaticLists, this);
    m_autoLists->setTransfer(m_transfer->transferJob());
    connect(m_transfer->transferJob(), &coop::Thread::stopRequestReceived, m_autoLists, &coop::Thread::requestStop);
    connect(m_autoLists, &ListFolderJob::songListShouldEmpty, this, [this] {
        m_cardListing->returnToSongList();
        clearList();
    });
    connect(m_autoLists, &ListFolderJob::listLoading, this, &MainWindow::showProgress);
    connect(m_autoLists, &ListFolderJob::pickUpsAllowed, m_repeatTimer, [this](bool allowed) {
        if (allowed)
            m_repeatTimer->start();
        else
            m_repeatTimer->stop();
    });
    connect(m_autoLists, &ListFolderJob::loaded, m_destination, &Destination::showCapacity);
    connect(m_autoLists, &ListFolderJob::transferRequested, m_transfer, &TransferController::runTransfer);
    connect(m_autoLists, &ListFolderJob::listUnreadable, this, [](const QString &name) {
        Prompts::instance().beep();
        Prompts::instance().showMessage(u"曲リスト「%1」を読み込めませんでした。"_s.arg(name), Prompts::Icon::Caution);
    });
    connect(m_autoLists, &coop::Thread::finished, m_transferButton, [this] { m_transferButton->setEnabled(true); });
}

void MainWindow::startListFolderJob()
{
    // One pick-up at a time, and none while a transfer reads the song list: the automatic
    // list waits in the folder for a later tick.
    if (m_autoLists->isRunning() || m_transfer->transferJob()->isRunning()) {
        m_transferButton->setEnabled(true);
        return;
    }
    m_autoLists->start();
}

void MainWindow::startDefaultListLoader()
{
    auto *loader = new DefaultListLoader(m_songs, m_props, m_sources, AppPaths::listFolder(), QString(), this);
    // A stop given to the transfer stops the loading too.
    connect(m_transfer->transferJob(), &coop::Thread::stopRequestReceived, loader, &coop::Thread::requestStop);
    connect(loader, &DefaultListLoader::missingFiles, this, [] {
        Prompts::instance().beep();
        Prompts::instance().showMessage(u"ファイルが見つからなかった曲のチェックを外しました。"_s, Prompts::Icon::Caution);
    });
    connect(loader, &DefaultListLoader::rowsArriving, this, [this](bool arriving) {
        if (arriving) {
            // The empty loading list stands in, with the song list's columns, and the busy
            // indicator turns in its middle.
            m_loadingList->setColumnWidthsText(m_list->columnWidthsText());
            m_loadingList->show();
            m_list->hide();
            const QRect l = m_list->geometry();
            m_busy->move(l.left() + l.width() / 2 - m_busy->width() / 2, l.top() + l.height() / 2);
            m_busy->raise();
            m_busy->show();
        } else {
            m_list->show();
            m_loadingList->hide();
            followResize(); // the busy indicator back to its place in the status area
        }
    });
    connect(loader, &coop::Thread::finished, this, [this, loader] {
        // After a list was read the recount hides the busy indicator and sets the transfer
        // button; without a list there is nothing to count.
        if (loader->listRead())
            recountTotals();
        else
            m_busy->hide();
        loader->deleteLater();
    });
    m_busy->show();
    loader->start();
}

void MainWindow::openSongListDialog(bool save)
{
    if (m_songListDialog) {
        m_songListDialog->raise();
        m_songListDialog->activateWindow();
        return;
    }
    m_songListDialog = new SongListDialog(save ? SongListDialog::Mode::Save : SongListDialog::Mode::Open,
                                          AppPaths::listFolder(), m_props.lastSelectedListFile, this);
    connect(m_songListDialog, &SongListDialog::openRequested, this, [this](const QStringList &files, bool replace) {
        m_props.lastSelectedListFile = files.last();
        startReadingLists(files, false, replace);
    });
    connect(m_songListDialog, &SongListDialog::openAllRequested, this,
            [this](bool replace) { startReadingLists({}, true, replace); });
    connect(m_songListDialog, &SongListDialog::saveRequested, this, [this](const QString &name) {
        m_sources->setLabel(name);
        saveSongList(name + u".list"_s);
    });
    m_songListDialog->show();
}

void MainWindow::startReadingLists(const QStringList &fileNames, bool every, bool replace)
{
    m_cardListing->returnToSongList();
    if (replace)
        clearList();
    auto *job = new ListFolderJob(m_songs, m_sources, m_checks, m_props, AppPaths::listFolder(),
                                  every ? ListFolderJob::Mode::ReadEveryExportList : ListFolderJob::Mode::ReadChosenLists,
                                  this);
    job->setChosenFiles(fileNames);
    connect(m_transfer->transferJob(), &coop::Thread::stopRequestReceived, job, &coop::Thread::requestStop);
    connect(job, &ListFolderJob::listLoading, this, &MainWindow::showProgress);
    connect(job, &ListFolderJob::loaded, m_destination, &Destination::showCapacity);
    connect(job, &coop::Thread::finished, this, [this, job] {
        m_transferButton->setEnabled(true);
        job->deleteLater();
    });
    // The job's recount hides it again.
    m_busy->show();
    job->start();
}

void MainWindow::saveSongList(const QString &name)
{
    if (!SongListFile::saveSongList(AppPaths::listFolder(), name, m_songs->rows()))
        Prompts::instance().showMessage(u"曲リストを保存できませんでした。"_s, Prompts::Icon::Caution);
}
