// The main window's side of the song sources: the select button and menu, drops on the
// song list, the source label and popup, and the list progress window.

#include "gui/main/MainWindow.h"

#include "core/platform/FileItem.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "core/sources/FolderScan.h"
#include "gui/sources/SourcePopup.h"
#include "core/sources/SourceRecord.h"
#include "gui/sources/ListProgressWindow.h"
#include "core/sources/ListFolderJob.h"
#include "core/sources/SongListFile.h"
#include "core/transfer/TransferJob.h"
#include "core/destination/Destination.h"
#include "gui/transfer/TransferController.h"
#include "core/cardedit/CardListing.h"
#include "core/platform/AppPaths.h"
#include "core/platform/Prompts.h"

#include <QProgressBar>
#include <QTimer>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

void MainWindow::buildSources()
{
    m_sources = new SourceRecord(this);
    m_sources->setSongList(m_songs, m_list->selectionModel());
    connect(m_sources, &SourceRecord::labelChanged, m_sourceLabel, &QLabel::setText);

    m_popup = new SourcePopup(m_sources, m_content);
    connect(this, &MainWindow::sourceBoxClicked, m_popup, [this] { m_popup->openAt(m_sourceBox->geometry()); });

    m_scan = new FolderScan(m_songs, &m_props, m_sources, this);
    m_scan->recountTotals = [this] { recountTotals(); };
    connect(m_scan, &FolderScan::hiddenColumnsReset, m_list, &SongListView::hideHiddenColumns);
    connect(m_scan, &FolderScan::busyChanged, this, &MainWindow::showProgress);

    connect(m_list, &SongListView::filesDropped, m_scan, [this](const QList<QUrl> &urls) {
        QList<FileItem> items;
        for (const QUrl &url : urls)
            if (url.isLocalFile())
                items << FileItem(url.toLocalFile());
        m_scan->drop(items, cardListingMode());
    });
    connect(m_selectButton, &QPushButton::clicked, this, &MainWindow::selectButtonAction);
    registerCommand(QStringLiteral("chooseMusicFolder"), [this] { chooseMusicFolder(); });
}

void MainWindow::selectButtonAction()
{
    // Modes 1 and 2 open the song-list dialog and the playlist picker, which come with
    // those sources; any other mode does nothing.
    if (preference::selectButtonMode == 0)
        chooseMusicFolder();
}

void MainWindow::showProgress(bool busy)
{
    if (busy) {
        if (!m_listProgress) {
            m_listProgress = new ListProgressWindow(this);
            m_listProgress->setAttribute(Qt::WA_DeleteOnClose);
        }
        m_listProgress->show();
    } else if (m_listProgress) {
        m_listProgress->close();
    }
}

ListProgressWindow *MainWindow::progressWindow() const { return m_listProgress; }

void MainWindow::chooseMusicFolder() { m_scan->chooseMusicFolder(); }

void MainWindow::scanMusicFolder(const FileItem &folder) { m_scan->scanMusicFolder(folder); }

void MainWindow::addSongFile(const FileItem &file) { m_scan->addSongFile(file); }

void MainWindow::startDefaultListLoader()
{
    auto *loader = new DefaultListLoader(m_songs, m_props, m_sources, AppPaths::listFolder(), this);
    // A stop given to the transfer stops the loading too.
    connect(m_transfer->transferJob(), &coop::Thread::stopRequestReceived, loader, &coop::Thread::requestStop);
    connect(loader, &DefaultListLoader::missingFiles, this, [] {
        Prompts::instance().beep();
        Prompts::instance().showMessage(QStringLiteral("ファイルが見つからなかった曲のチェックを外しました。"),
                                        Prompts::Icon::Caution);
    });
    connect(loader, &coop::Thread::finished, this, [this, loader] {
        // After a list was read the recount hides the busy indicator and sets the transfer
        // button; without a list there is nothing to count.
        if (loader->listRead)
            recountTotals();
        else
            m_busy->hide();
        loader->deleteLater();
    });
    m_busy->show();
    loader->fileName.clear();
    loader->start();
}

void MainWindow::startListFolderJob()
{
    auto *job = new ListFolderJob(m_songs, m_sources, AppPaths::listFolder(), this);
    job->mode = 1;
    job->nextFileNumber = m_props.nextFileNumber;
    ListFolderJob::Hooks &h = job->hooks;
    TransferJob *transfer = m_transfer->transferJob();
    connect(transfer, &coop::Thread::stopRequestReceived, job, &coop::Thread::requestStop);
    h.emptySongList = [this] {
        m_cardListing->returnToSongList();
        clearList();
    };
    h.showProgress = [this](bool on) { showProgress(on); };
    h.runTimer = [this](bool on) {
        if (on)
            m_repeatTimer->start();
        else
            m_repeatTimer->stop();
    };
    h.setFileCounter = [this](int n) { m_props.nextFileNumber = n; };
    h.recountTotals = [this] { return m_checks->recountTotalsTask(); };
    h.showCapacity = [this] { m_destination->showCapacity(); };
    h.shuffleList = [this] { return m_checks->shuffleListTask(); };
    h.runTransfer = [this] { m_transfer->runTransfer(); };
    h.enableTransferButton = [this] { m_transferButton->setEnabled(true); };
    connect(job, &coop::Thread::finished, job, &QObject::deleteLater);
    job->start();
}

void MainWindow::saveSongList(const QString &name)
{
    if (!SongListFile::saveSongList(AppPaths::listFolder(), name, m_songs->rows()))
        Prompts::instance().showMessage(QStringLiteral("曲リストを保存できませんでした。"), Prompts::Icon::Caution);
}
