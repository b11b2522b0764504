#pragma once

// Where the card's music folder is: the volume and the folder path of the preferences, with
// the names a phone gives a card it formats when the preferences leave them empty.

#include "core/platform/FileItem.h"

#include <QString>

namespace CardFolder {

/// A card formatted by a phone has no label.
inline constexpr char16_t kDefaultVolumeName[] = u"NO NAME";
/// The folder where the phone looks for songs.
inline constexpr char16_t kDefaultFolderPath[] = u":PRIVATE:AU:DF:D_SD:";

/// Gives an empty card volume name or folder path preference its default, so that the
/// preferences dialog and the saved file show what the program uses.
void fillPreferenceDefaults();

/// The preferences' card volume name, or the default when it is empty.
QString volumeName();
/// volumeName() and the preferences' folder path (or the default) as one colon path.
QString colonPath();

} // namespace CardFolder
