#pragma once

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"
#include "core/songlist/SongRow.h"

#include <QList>
#include <QPointer>

struct SessionState;
class SongListModel;
class SourceRecord;

/// The music folder scan: every ".m4a" file below a folder becomes one checked row, with
/// title, artist and album taken from its name and folders. The walk is a cooperative
/// thread on the GUI thread, so the window stays live while it runs; scans and drops that
/// arrive meanwhile wait their turn, so each folder's rows stay together and carry its
/// source. Needs no window: the CLI and the tests drive it with a model alone.
class FolderScan final : public coop::Thread {
    Q_OBJECT
public:
    FolderScan(SongListModel *songs, SessionState *props, SourceRecord *record, QObject *parent = nullptr);

    /// Asks for a folder and scans it (nothing but closing the popup when cancelled).
    void chooseMusicFolder();
    /// Where the music folder chooser opens: the music folder last scanned in this session,
    /// else the desktop's music folder, else the home folder (the first that exists).
    static QString chooserStartFolder();
    /// Records the folder as the current source (label and popup) and scans it. A null
    /// item only closes the popup and hides the hidden columns again.
    void scanMusicFolder(const FileItem &folder);
    /// Adds one row for a song file, now, with the source label's present text.
    void addSongFile(const FileItem &file);
    /// Files and folders dropped on the song list, in the drop's order: folders are
    /// recorded and scanned, ".m4a" files added, the rest skipped. Ignored in card listing
    /// mode.
    void drop(const QList<FileItem> &items, bool cardListing);

    /// A scan or drop is running or waiting.
    bool isBusy() const { return isRunning() || !m_jobs.isEmpty(); }

    /// The title the name rule makes of a song file's name.
    static QString titleOf(const QString &fileName);

signals:
    /// Work began (true) or everything asked for is done (false): the list progress
    /// window shows meanwhile.
    void busyChanged(bool busy);
    /// The song list's path and source columns are to be hidden again.
    void hiddenColumnsReset();
    /// A folder was scanned or a drop added: the status totals are to be recounted in full,
    /// before the scan goes on.
    void totalsNeedRecount();
    /// A folder was chosen in the chooser: the song list is to come back from the card
    /// listing before the scan adds to it.
    void songListNeeded();

protected:
    coop::Task<> run() override;

private:
    struct Job {
        enum class Kind { Folder, File, Recount } kind;
        FileItem item;
    };
    struct Place {
        QString colonPath; ///< the folder's colon path, ending in ":"
        QString name;      ///< the folder's name (the album of its files)
        QString parentName; ///< the name of the folder above (the artist)
    };

    void enqueue(QList<Job> jobs);
    coop::Task<> recordAndWalk(FileItem folder);
    coop::Task<> scanFolder(FileItem folder, Place place);
    void addRow(const QString &name, const Place &place, qint64 bytes);
    void flush();

    QPointer<SongListModel> m_songs;
    SessionState *m_props;
    QPointer<SourceRecord> m_record;
    QList<Job> m_jobs;
    QList<SongRow> m_pending;
};
