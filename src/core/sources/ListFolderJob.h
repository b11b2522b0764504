#pragma once

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"
#include "core/songlist/SongRow.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QString>

#include <functional>
#include <optional>

class CheckCommands;
class SongListModel;
class SourceRecord;
struct SessionState;

/// The list-folder job: loads song lists of the list folder into the song list.
///
/// Picking up automatic song lists: export lists renamed to ".atxt" (or ".stxt": shuffled
/// first) that were put in the list folder replace the song list, are deleted, and their
/// songs are sent to the card at once. A list found while a transfer runs waits in the
/// folder, untouched, for a later pick-up; a list that cannot be read is reported once and
/// left alone until it changes. Reading every export list, or the lists chosen in the
/// song-list dialog, appends their songs. What belongs to higher layers (the card listing,
/// the destination, the transfer, the window's timer and progress window) it asks for
/// through its signals; each is delivered before the job goes on.
class ListFolderJob final : public coop::Thread {
    Q_OBJECT
public:
    enum class Mode {
        /// Picks up the automatic lists of the folder, deleting each as it reads it.
        PickUpAutomaticLists,
        /// Every export list (".txt") of the folder; own lists are not read.
        ReadEveryExportList,
        /// The chosen files in their order: ".txt" as export lists, ".list" and the
        /// default list as own lists.
        ReadChosenLists,
    };

    /// `checks` recounts and shuffles after the lists are in (null: no recount); `props`
    /// holds the number the next added row gets.
    ListFolderJob(SongListModel *songs, SourceRecord *sources, CheckCommands *checks, SessionState &props,
                  QString listFolder, Mode mode, QObject *parent = nullptr);

    Mode mode() const { return m_mode; }
    /// The file names ReadChosenLists reads, in order.
    void setChosenFiles(const QStringList &fileNames) { m_chosen = fileNames; }
    /// While this transfer runs, automatic lists are left where they are.
    void setTransfer(const coop::Thread *transfer) { m_transfer = transfer; }

    /// Adds the songs of an export list (Mac Japanese or with a byte-order mark).
    /// `extLength` characters end the name as the user does not see it.
    coop::Task<> loadExportList(FileItem file, QString name, int extLength);
    /// Adds the songs of an own list chosen in the song-list dialog, with its check marks
    /// where the songs are still there.
    coop::Task<> loadOwnList(FileItem file, QString name, int extLength);

signals:
    /// The first automatic list was read: card listing ends and the song list, its totals
    /// and its sources are emptied before its songs come in.
    void songListShouldEmpty();
    /// Lists are being read (true), or the last one has been (false): the list progress
    /// window shows meanwhile.
    void listLoading(bool loading);
    /// False while found lists are read and sent, true once their songs went to the
    /// transfer: no other pick-up may start meanwhile (the window's repeating timer waits).
    void pickUpsAllowed(bool allowed);
    /// The songs are in the list and counted: the destination's capacity is shown.
    void loaded();
    /// The picked-up songs are to go to the card now.
    void transferRequested();
    /// An automatic list could not be read; said once until the file changes.
    void listUnreadable(const QString &fileName);

protected:
    coop::Task<> run() override;

private:
    coop::Task<> pickUpAutomaticLists();
    coop::Task<> readEveryExportList();
    coop::Task<> readChosenLists();
    coop::Task<> finishReading();
    coop::Task<> addExportRows(QString text, QString source);
    using RowMaker = std::function<std::optional<SongRow>(const QStringList &fields, int number, const QString &source)>;
    /// Adds the rows `rowOf` makes of the records, in batches, until a stop; the rows added.
    coop::Task<int> addRows(QStringList pieces, RowMaker rowOf, QString source);
    /// The file's identity for "changed since": size and time, or a mark for none.
    static QString stampOf(const FileItem &file);

    QPointer<SongListModel> m_songs;
    QPointer<SourceRecord> m_sources;
    QPointer<CheckCommands> m_checks;
    SessionState &m_props;
    QString m_listFolder;
    Mode m_mode;
    QStringList m_chosen;
    QPointer<const coop::Thread> m_transfer;
    /// Automatic lists left alone, by name, with the stamp they had then.
    QHash<QString, QString> m_leftAlone;
};
