#pragma once

// The transfer thread: copies songs into the card folder as numbered song files, titles
// them in the management files and dates them one minute apart so that the card keeps the
// order. The windows and the command-line tool only set it up, start it and observe it.

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"

#include <QDateTime>
#include <QMetaType>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class SongListModel;

namespace CardFormat {
class TransferCard;
}

/// How a run ended.
struct TransferReport {
    enum class Ending {
        Completed,    ///< every row or entry handled
        UserStopped,  ///< the stop flag ended it between songs
        NoRoom,       ///< the space to keep, or no song number left (errorCode 1)
        CopyStopped,  ///< the copy's stopping code 103
        Failed,       ///< a song or management file could not be written (errorCode -1)
    };
    Ending ending = Ending::Completed;
    int errorCode = 0;
    int copiedCount = 0;
    /// errno behind a failure or the last failed copy; 0 when there was none.
    int systemError = 0;
    /// What the progress window shows: "N曲転送しました " or the stop text; empty when
    /// the window simply closes.
    QString message;

    /// "N曲転送しました " with this run's count, whatever the ending.
    QString countText() const;
};
Q_DECLARE_METATYPE(TransferReport)

/// The transfer thread. Main variant (`windowMode` 0): the checked rows of a song list, in
/// add or replace mode. Compact variant (`windowMode` 1): the entries of `compactEntries`
/// into an emptied card folder.
///
/// Stopping: requestStop() ends the run after the current song and holds until the next
/// start(); loaders that must stop with the transfer are connected to it by whoever starts
/// them. start() refuses while a run is going, so a re-enabled transfer button cannot
/// start a second one.
class TransferJob final : public coop::Thread {
    Q_OBJECT
public:
    /// copySong's results; Broken stops the run with errorCode -1.
    enum CopyResult { Copied = 1, CopyFailed = 0, NoRoom = -2, Broken = -1 };
    static constexpr int kErrNoRoom = 1;
    static constexpr int kErrFailure = -1;
    /// The one copy code that stops the run (errno 103, a source whose connection broke).
    static constexpr int kErrCopyStop = 103;

    /// Copies `source` to `destination` (a new file); 0 or an errno value, leaving no
    /// partial destination on failure.
    using CopyFunction = std::function<int(const FileItem &source, const FileItem &destination)>;
    /// The free megabytes (1024 × 1024 bytes) of a volume, as text that reads as a number
    /// (the answer of the script call gFreeSpace).
    using FreeSpaceQuery = std::function<QString(const QString &volumeName)>;
    /// Turns a stored colon path into the file it names (default: ColonPathResolver::resolve).
    using SourceResolver = std::function<FileItem(const QString &colonPath)>;

    explicit TransferJob(QObject *parent = nullptr);
    ~TransferJob() override;

    /// Clears both stop flags and starts a run; false, and nothing changes, while one is
    /// going. (coop::Thread::start() would restart it: call this one.)
    bool start();

    FileItem destinationFolder() const { return m_destinationFolder; }
    void setDestinationFolder(const FileItem &folder) { m_destinationFolder = folder; }
    int errorCode() const { return m_errorCode; }
    int copiedCount() const { return m_copiedCount; }
    int windowMode() const { return m_windowMode; }
    void setWindowMode(int mode) { m_windowMode = mode; }
    QStringList compactEntries() const { return m_compactEntries; }
    void setCompactEntries(const QStringList &entries) { m_compactEntries = entries; }
    /// The time given to the last song written.
    QDateTime lastSongTime() const { return m_lastSongTime; }
    /// The number the next song takes (-1: none left); set as the run goes.
    int nextSongNumber() const { return m_nextSongNumber; }

    /// The main variant's rows; read while the run goes, so rows may change under it.
    void setSongList(const SongListModel *model);
    /// Add mode keeps the card's songs; replace mode expects them deleted. Taken at start.
    void setAddMode(bool add) { m_addMode = add; }
    bool addMode() const { return m_addMode; }
    /// The run first deletes the folder's songs and management files (the main variant's
    /// replace-all, or the compact window's clearing), yielding after each entry.
    void setClearFirst(bool clear) { m_clearFirst = clear; }
    /// The progress maximum; below 0 (the default) the run counts what it will handle.
    void setProgressMaximum(int maximum) { m_progressMaximum = maximum; }

    /// Seams for tests and other front ends; an empty function restores the default.
    void setCopyFunction(CopyFunction copy);
    /// Flushes the destination's file system at the end of a run; 0 or an errno value.
    using FlushFunction = std::function<int(const FileItem &folder)>;
    void setFlushFunction(FlushFunction flush);
    void setFreeSpaceQuery(FreeSpaceQuery query);
    void setSourceResolver(SourceResolver resolver);
    /// The default query: the volume table's free space, whole megabytes.
    static QString volumeFreeSpace(const QString &volumeName);

    /// The earliest modification time among the folder's ".3G2" files, or now when there
    /// is none or all are later.
    QDateTime earliestSongTime() const;
    /// Copies one song to `destination` (its final name) through a scratch copy, patches
    /// and dates it; Copied, CopyFailed (nothing left behind), NoRoom or Broken.
    coop::Task<int> copySong(FileItem source, FileItem destination);

    /// The progress counter's text, "k/max".
    static QString counterText(int handled, int maximum);

signals:
    /// Another row or entry handled (copied, skipped or failed).
    void progressChanged(int handled, int maximum);
    /// The compact window's status label.
    void statusChanged(const QString &text);
    /// The run's end, before finished(); the windows report and refresh from it. A slot
    /// must not delete the thread (deleteLater() is fine): its run is still on the stack.
    void transferEnded(const TransferReport &report);

protected:
    coop::Task<> run() override;

private:
    coop::Task<> clearFolder();
    coop::Task<> sendCheckedRows();
    coop::Task<> sendCompactEntries();
    /// One song: number and management file checks, copy, title, next number.
    coop::Task<int> sendOne(CardFormat::TransferCard &card, QString sourcePath, QByteArray title);
    void advance(CardFormat::TransferCard &card, int from);
    void fail(int systemError);
    bool stopping() const { return stopRequested(); }
    TransferReport report() const;

    FileItem m_destinationFolder;
    int m_errorCode = 0;
    int m_copiedCount = 0;
    int m_windowMode = 0;
    QStringList m_compactEntries;
    QDateTime m_lastSongTime;
    int m_nextSongNumber = -1;
    int m_number = -1;
    int m_systemError = 0;
    TransferReport::Ending m_ending = TransferReport::Ending::Completed;

    QPointer<const SongListModel> m_model;
    bool m_addMode = false;
    bool m_clearFirst = false;
    int m_progressMaximum = -1;

    CopyFunction m_copy;
    FlushFunction m_flush;
    FreeSpaceQuery m_freeSpace;
    SourceResolver m_resolve;
};
