// The main window's side of the song sources: the select button and menu, drops on the
// song list, the source label and popup, and the list progress window.

#include "songlist/Window1.h"

#include "platform/FileItem.h"
#include "prefs/Preferences.h"
#include "songlist/CheckCommands.h"
#include "songlist/SongListModel.h"
#include "songlist/SongListView.h"
#include "sources/FolderScan.h"
#include "sources/MFolderList.h"
#include "sources/SourceRecord.h"
#include "sources/Window2.h"
#include "sources/ListFolderJob.h"
#include "sources/SongListFile.h"
#include "card/MakeLibFile.h"
#include "card/Destination.h"
#include "card/TransferControl.h"
#include "editor/EditLibFile.h"
#include "platform/AppPaths.h"
#include "platform/Prompts.h"

#include <QProgressBar>
#include <QTimer>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

void Window1::buildSources()
{
    m_sources = new SourceRecord(this);
    m_sources->setSongList(m_songs, m_list->selectionModel());
    connect(m_sources, &SourceRecord::labelChanged, m_sourceLabel, &QLabel::setText);

    m_popup = new mFolderList(m_sources, m_content);
    connect(this, &Window1::sourceBoxClicked, m_popup, [this] { m_popup->openAt(m_sourceBox->geometry()); });

    m_scan = new FolderScan(m_songs, &m_props, m_sources, this);
    m_scan->countEnableFile = [this] { countEnableFile(); };
    connect(m_scan, &FolderScan::hiddenColumnsReset, m_list, &SongListView::hideHiddenColumns);
    connect(m_scan, &FolderScan::busyChanged, this, &Window1::showProgress);

    connect(m_list, &SongListView::filesDropped, m_scan, [this](const QList<QUrl> &urls) {
        QList<FileItem> items;
        for (const QUrl &url : urls)
            if (url.isLocalFile())
                items << FileItem(url.toLocalFile());
        m_scan->drop(items, showMiniSDMode());
    });
    connect(m_selectButton, &QPushButton::clicked, this, &Window1::selectButtonAction);
    registerCommand(QStringLiteral("selectMFolderMenu"), [this] { selMusicFolder(); });
}

void Window1::selectButtonAction()
{
    // Modes 1 and 2 open the song-list dialog and the playlist picker, which come with
    // those sources; any other mode does nothing.
    if (preference::selectButtonMode == 0)
        selMusicFolder();
}

void Window1::showProgress(bool busy)
{
    if (busy) {
        if (!m_window2) {
            m_window2 = new Window2(this);
            m_window2->setAttribute(Qt::WA_DeleteOnClose);
        }
        m_window2->show();
    } else if (m_window2) {
        m_window2->close();
    }
}

Window2 *Window1::progressWindow() const { return m_window2; }

void Window1::selMusicFolder() { m_scan->selMusicFolder(); }

void Window1::selectMusicFolder(const FileItem &folder) { m_scan->selectMusicFolder(folder); }

void Window1::selectMfile(const FileItem &file) { m_scan->selectMfile(file); }

void Window1::startDefaultListLoader()
{
    auto *loader = new readListData(m_songs, m_props, m_sources, AppPaths::listFolder(), this);
    loader->cancelled = [this] { return m_transfer->makeLibFile1()->cancelFlg(); };
    connect(loader, &readListData::missingFiles, this, [] {
        Prompts::instance().beep();
        Prompts::instance().showMessage(QStringLiteral("ファイルが見つからなかった曲のチェックを外しました。"),
                                        Prompts::Icon::Caution);
    });
    connect(loader, &coop::Thread::finished, this, [this, loader] {
        // After a list was read the recount hides the busy indicator and sets the transfer
        // button; without a list there is nothing to count.
        if (loader->fileRead)
            countEnableFile();
        else
            m_busy->hide();
        loader->deleteLater();
    });
    m_busy->show();
    loader->fileName.clear();
    loader->start();
}

void Window1::startListFolderJob()
{
    auto *job = new ckMusicListFolder(m_songs, m_sources, AppPaths::listFolder(), this);
    job->mode = 1;
    job->fileCounter = m_props.fileCounter;
    ckMusicListFolder::Hooks &h = job->hooks;
    makeLibFile *transfer = m_transfer->makeLibFile1();
    h.clearCancel = [transfer] { transfer->setCancelFlg(false); };
    h.cancelled = [transfer] { return transfer->cancelFlg(); };
    h.emptySongList = [this] {
        m_editor->returnMListMode();
        listAllClear();
    };
    h.showProgress = [this](bool on) { showProgress(on); };
    h.runTimer = [this](bool on) {
        if (on)
            m_repeatTimer->start();
        else
            m_repeatTimer->stop();
    };
    h.setFileCounter = [this](int n) { m_props.fileCounter = n; };
    h.countEnableFile = [this] { return m_checks->countEnableFileTask(); };
    h.showDiskInfo = [this] { m_destination->showDiskInfo(); };
    h.listShuffle = [this] { return m_checks->listShuffleTask(); };
    h.doMFilecopy = [this] { m_transfer->doMFilecopy(); };
    h.enableTransferButton = [this] { m_transferButton->setEnabled(true); };
    connect(job, &coop::Thread::finished, job, &QObject::deleteLater);
    job->start();
}

void Window1::saveMusicList(const QString &name)
{
    if (!SongListFile::saveMusicList(AppPaths::listFolder(), name, m_songs->rows()))
        Prompts::instance().showMessage(QStringLiteral("曲リストを保存できませんでした。"), Prompts::Icon::Caution);
}
