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
    connect(m_scan, &FolderScan::totalsNeedRecount, this, &MainWindow::recountTotals);
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
    // Mode 2 opens the playlist picker, which comes with the music library; any other mode
    // does nothing.
    if (preference::selectButtonMode == 0)
        chooseMusicFolder();
    else if (preference::selectButtonMode == 1)
        openSongListDialog(false);
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

