#pragma once

// The transfer thread: copies songs into the card folder as numbered song files, titles
// them in the management files and dates them one minute apart so that the card keeps the
// order. The windows and the command-line tool only set it up, start it and observe it.

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"
#include "core/transfer/TransferOptions.h"

#include <QDateTime>
#include <QMetaType>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class SongListModel;

#include "core/transfer/TransferCard.h"

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
    /// The file a failure concerns: a card file's name or a source's colon path.
    QString failedFile;
    /// Songs that were skipped because they vanished or could not be read, as the list
    /// names them.
    QStringList skippedSongs;
    /// What the progress window shows: "N曲転送しました " or the stop text, a failure's
    /// cause and file on a line of their own, and the songs skipped; empty when the window
    /// simply closes.
    QString message;

    /// "N曲転送しました " with this run's count, whatever the ending.
    QString countText() const;
    /// One line on how the run went, for the window to keep showing after it: the count
    /// sent, or sent before a stop, or the report's own text.
    QString outcomeText() const;
};
Q_DECLARE_METATYPE(TransferReport)

/// The transfer thread. Add and replace runs send the checked rows of a song list; a
/// compact run sends the entries of `compactEntries` into an emptied card folder. A run
/// reads its options as they were at start() and no preference.
///
/// Stopping: requestStop() ends the run after the current song and holds until the next
/// start(); loaders that must stop with the transfer are connected to it by whoever starts
/// them. start() refuses while a run is going, so a re-enabled transfer button cannot
/// start a second one.
class TransferJob final : public coop::Thread {
    Q_OBJECT
public:
    /// What the copy of one song came to.
    enum class CopyResult {
        Copied,
        CopyFailed,  ///< this song is skipped, nothing of it left behind
        NoRoom,      ///< the space to keep would be used: the run stops
        Broken,      ///< the card refuses: the run stops with errorCode -1
    };
    static constexpr int kErrNoRoom = 1;
    static constexpr int kErrFailure = -1;
    /// The one copy code that stops the run (errno 103, a source whose connection broke).
    static constexpr int kErrCopyStop = 103;

    /// What a copy came to: 0 or an errno value, and whether the source was what failed
    /// (the song is skipped) rather than the card (the run stops).
    struct CopyStatus {
        CopyStatus(int error = 0, bool atSource = false) : error(error), atSource(atSource) {}
        int error;
        bool atSource;
    };
    /// Copies `source` to `destination` (a new file), leaving no partial destination on
    /// failure. A plain errno value is a failure on the card's side.
    using CopyFunction = std::function<CopyStatus(const FileItem &source, const FileItem &destination)>;
    /// Turns a stored colon path into the file it names (default: ColonPathResolver::resolve).
    using SourceResolver = std::function<FileItem(const QString &colonPath)>;
    /// Flushes the destination's file system at the end of a run; 0 or an errno value.
    using FlushFunction = std::function<int(const FileItem &folder)>;

    explicit TransferJob(QObject *parent = nullptr);
    ~TransferJob() override;

    /// Clears both stop flags and starts a run; false, and nothing changes, while one is
    /// going. (coop::Thread::start() would restart it: call this one.)
    bool start();

    /// The next run's options; a run going on keeps those it started with.
    const TransferOptions &options() const { return m_options; }
    void setOptions(TransferOptions options) { m_options = std::move(options); }

    /// The add and replace runs' rows; read while the run goes, so rows may change under it.
    void setSongList(const SongListModel *model);
    /// The compact run's entries: colon paths, or library lines (see TransferOptions).
    QStringList compactEntries() const { return m_compactEntries; }
    void setCompactEntries(const QStringList &entries) { m_compactEntries = entries; }

    int errorCode() const { return m_errorCode; }
    int copiedCount() const { return m_copiedCount; }
    /// The time given to the last song written.
    QDateTime lastSongTime() const { return m_lastSongTime; }
    /// The number the next song takes (-1: none left); set as the run goes.
    int nextSongNumber() const { return m_nextSongNumber; }

    /// Seams for tests and other front ends; an empty function restores the default.
    void setCopyFunction(CopyFunction copy);
    void setFlushFunction(FlushFunction flush);
    void setSourceResolver(SourceResolver resolver);
    /// How a management file is written whole (default: CardFormat::writeWholeFile).
    void setManagementWriteFunction(CardFormat::TransferCard::MgrWriteFunction write) { m_writeMgr = std::move(write); }
    /// The free space asked when the options name no query: the volume table's, whole
    /// megabytes.
    static QString volumeFreeSpace(const QString &volumeName);

    /// The earliest modification time among a folder's ".3G2" files, or now when there is
    /// none or all are later.
    static QDateTime earliestSongTime(const FileItem &folder);

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
    /// What sending one song tells the loop.
    enum class Step { Go, GoCopied, Stop };

    coop::Task<> clearFolder();
    coop::Task<> sendCheckedRows();
    coop::Task<> sendCompactEntries();
    /// One song: number and management file checks, copy, title, next number.
    coop::Task<Step> sendOne(CardFormat::TransferCard &card, QString sourcePath, QByteArray title);
    /// Copies one song to `destination` (its final name) through a scratch copy, patches
    /// and dates it.
    coop::Task<CopyResult> copySong(FileItem source, FileItem destination);
    /// Before a run that empties the folder: false, and the run failed, when something
    /// would keep it from going through.
    bool folderCanBeRefilled();
    void advance(CardFormat::TransferCard &card, int from);
    void fail(int systemError, const QString &file = {});
    void failOnCard(int systemError, const FileItem &file);
    bool stopping() const { return stopRequested(); }
    TransferReport report() const;

    TransferOptions m_options;
    /// The options of the run going on, taken at its start.
    TransferOptions m_run;
    QStringList m_compactEntries;
    QPointer<const SongListModel> m_model;

    int m_errorCode = 0;
    int m_copiedCount = 0;
    QDateTime m_lastSongTime;
    int m_nextSongNumber = -1;
    int m_number = -1;
    int m_systemError = 0;
    QString m_failedFile;
    QStringList m_skipped;
    TransferReport::Ending m_ending = TransferReport::Ending::Completed;

    CopyFunction m_copy;
    FlushFunction m_flush;
    SourceResolver m_resolve;
    CardFormat::TransferCard::MgrWriteFunction m_writeMgr;
};
