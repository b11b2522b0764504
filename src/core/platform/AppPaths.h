#pragma once

#include <QString>

/// Where the program's files live; each can be overridden by an environment variable.
namespace AppPaths {

/// Folder of the preferences file: SONGKITE_PREFS_DIR, else $XDG_CONFIG_HOME, else ~/.config.
QString prefsDir();
/// Full path of the preferences file.
QString prefsFile();
/// The application's folder: SONGKITE_HOME, else $XDG_DATA_HOME/songkite, else
/// ~/.local/share/songkite.
QString appDir();
/// The list folder "曲リストファイル" inside the application's folder.
QString listFolder();
/// The bridge's scripts: SONGKITE_SCRIPTS, else ../share/songkite/scripts beside the binary,
/// else the source tree's scripts/bridge.
QString scriptsDir();

inline constexpr char16_t kPrefsFileName[] = u"jp.songkite.songkite.prefs";
inline constexpr char16_t kListFolderName[] = u"曲リストファイル";

} // namespace AppPaths
