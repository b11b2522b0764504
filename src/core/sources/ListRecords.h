#pragma once

// One record of a song-list file turned into a song-list row. The loaders walk the records
// with their own numbering, yields and stops; what a record becomes is decided here once.

#include "core/songlist/SongRow.h"

#include <QStringList>

#include <optional>

namespace ListRecords {

/// An export-list record (25 fields) as row `number`: checked, the size field read as
/// bytes. Nothing when field 25 names no existing ".m4a" file.
std::optional<SongRow> exportRow(const QStringList &fields, int number, const QString &source);

/// An own-list record (25 fields) chosen in the song-list dialog, as row `number`: the size
/// field read as kilobytes. Checked only when the record says so and its file is still
/// there under the very name the record gives, found from the volume down one name at a
/// time; a moved song comes back unchecked. Nothing for a record without a title.
std::optional<SongRow> ownRow(const QStringList &fields, int number, const QString &source);

} // namespace ListRecords
