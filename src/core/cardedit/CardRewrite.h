#pragma once

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <functional>

class SongListModel;

/// One row of an edited card listing, in list order.
struct CardEditRow {
    QString songFile;  ///< SDS_nnnn.3G2
    QString title;
    bool keep = true;  ///< false: the song is deleted
};

/// How a card rewrite ended, and what the window tells the user.
struct CardRewriteResult {
    enum class Ending {
        Completed,        ///< every row applied (some deletions may have failed)
        CardChanged,      ///< the folder or its songs are no longer what was listed; nothing written
        RowsNotListed,    ///< a row names a song that was not listed, or one twice; nothing written
        MgrUnwritable,    ///< a management file could not be written; see `stoppedAt`
        Stopped,          ///< stopped before anything was written
    };
    Ending ending = Ending::Completed;
    /// Song files that could not be deleted: they stay on the card, retitled.
    QStringList failedDeletions;
    /// The file that stopped the rewrite: a listed song that is gone, a row's song that was
    /// not listed, or the management file that could not be written.
    QString stoppedAt;
    /// For the user; empty when everything went through.
    QString message;
};
Q_DECLARE_METATYPE(CardRewriteResult)

/// Applies an edited card listing to the card folder in place: deletes the songs of the rows
/// not kept, retitles every remaining slot from its row (clears the slot of a song that is
/// gone), and redates the song files one minute apart back from the start, so the card's
/// order becomes the list's order. Song numbers, file names and slots never move.
///
/// Nothing is written unless the folder is still the listed one and holds every listed
/// song, every row names a listed song once, and every management file the rows need opens
/// for writing and is whole. A stop request is honoured only until the first write: once
/// songs are deleted, their slots must be cleared and the order finished, so the rest runs
/// to its end (5,000 rows take well under two seconds).
class CardRewrite final : public coop::Thread {
    Q_OBJECT
public:
    /// Deletes one song file; 0 or an errno value.
    using RemoveFunction = std::function<int(const FileItem &)>;

    explicit CardRewrite(QObject *parent = nullptr);

    /// The folder to rewrite: the destination as it is now.
    void setFolder(const FileItem &folder) { m_folder = folder; }
    /// What was listed: the folder and its song files, which the card must still match.
    void setListing(const FileItem &listedFolder, const QStringList &listedSongFiles);
    /// The edited rows, in list order.
    void setRows(QList<CardEditRow> rows) { m_rows = std::move(rows); }
    /// Replaces FileItem::remove (tests make a deletion fail).
    void setRemoveFunction(RemoveFunction remove);

    /// The rows of the song list in card listing mode: the file name from cell 2, the
    /// title from cell 1, kept while checked.
    static QList<CardEditRow> rowsFromSongList(const SongListModel &songs);

    /// The last run's result; valid once finished() came.
    const CardRewriteResult &result() const { return m_result; }

signals:
    /// rowsDone of total rows rewritten.
    void progress(int rowsDone, int total);
    /// Emitted once per run, before finished().
    void rewriteEnded(const CardRewriteResult &result);

protected:
    coop::Task<> run() override;

private:
    bool checkCard();
    void end(CardRewriteResult::Ending ending, const QString &file = QString());

    FileItem m_folder;
    FileItem m_listedFolder;
    QStringList m_listedFiles;
    QList<CardEditRow> m_rows;
    RemoveFunction m_remove;
    CardRewriteResult m_result;
};
