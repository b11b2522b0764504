#pragma once

// The preference values every window and thread reads directly, and the one file that
// keeps them between runs: read once at start-up, written once at quit.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

namespace preference {

inline QString cardVolumeName;                 // field 5
inline QString cardFolderPath;                    // field 6
inline int listOpenReplaces = 0;              // field 7
inline int transferWindowMode = 0;                  // field 8
inline QString titlePartOrder;                  // field 9
inline int titleNameBytes = 0;              // field 10
inline int titleArtistBytes = 0;               // field 11
inline int titleAlbumBytes = 0;              // field 12
inline int bitratePatchMode = 0;               // field 13
inline std::array<int, 4> compactWindowBounds{};    // fields 14, 15 (elements 0 and 1)
inline int compactShuffle = 0;             // field 16
inline int selectButtonMode = 0;              // field 17
inline int useLibraryInfo = 0;                 // field 18
inline int keepFreeMB = 0;                 // field 19

/// The least and the most the main window's content may measure; a size read from the file
/// is held to them before the window is placed.
inline constexpr QSize kMainWindowMinimumSize{276, 287};
inline constexpr QSize kMainWindowMaximumSize{950, 850};

/// The compact window's fixed size, which the file does not store.
inline constexpr QSize kCompactWindowSize{300, 102};

/// Puts every global back to its value before any file was read (tests, a new run).
void resetToInitial();

/// What reading the file decided about the windows.
struct Placement {
    bool fileFound = false;
    /// The main window's place and size after the clamps; only meaningful with a file.
    QRect mainWindow;
    /// Field 20 was exactly "1".
    bool addChecked = false;
    /// Where the compact window goes (also stored in compactWindowBounds 0 and 1).
    QPoint compactWindow;
};

/// Loads the preferences file into the globals and places both windows against a main
/// screen of the given size. An unreadable file counts as absent.
Placement readPreferences(const QString &path, QSize screen);

/// The main window's clamp: its size to the allowed range, then its place against the screen.
QRect placeMainWindow(QRect saved, QSize screen);
/// The compact window's clamp against the screen.
QPoint placeCompactWindow(QPoint saved, QSize size, QSize screen);

/// The file's one line: 20 TAB-terminated fields and a line ending.
QString formatLine(QRect mainWindow, bool addChecked);

/// Writes the file all or nothing; a failure is silent (returns false).
bool savePreferences(const QString &path, QRect mainWindow, bool addChecked);

} // namespace preference
