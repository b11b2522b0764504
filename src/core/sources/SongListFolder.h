#pragma once

// What the song-list dialog shows of the list folder and decides about a name to save
// under. The dialog only draws these answers; the loading and writing are the list-folder
// job's and the own-list writer's.

#include <QDateTime>
#include <QList>
#include <QString>

namespace SongListFolder {

/// One list the dialog offers: the name the user sees, the file's date and time as the
/// dialog's second column shows them, and the file name with its extension.
struct Entry {
    QString name;
    QString dateText;
    QString fileName;
};

struct Listing {
    QList<Entry> entries;
    /// The row of `lastSelected`, or -1.
    int preselected = -1;
};

/// The export lists (".txt") and own lists (".list") of the folder, in listing order; an
/// own list is left out when an export list of the same name is there, so each name shows
/// once and means the export list. Extensions match in any letter case.
Listing lists(const QString &listFolder, const QString &lastSelected);

/// The date column: the short date, one blank and the time ("24/03/05 09:07").
QString dateText(const QDateTime &time);

/// What saving under `name` means.
enum class SaveCheck {
    Refused,       ///< holds ":", "/" or "\"; a beep, nothing written
    Empty,         ///< the dialog closes without saving
    Free,          ///< no list of that name yet
    ExportExists,  ///< NAME.txt is there: overwriting deletes it
    OwnExists,     ///< NAME.list is there
};
SaveCheck checkSaveName(const QString &listFolder, const QString &name);

/// The question before an existing list is overwritten.
QString overwriteQuestion(const QString &fileName);

} // namespace SongListFolder
