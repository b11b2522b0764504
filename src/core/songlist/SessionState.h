#pragma once

#include "core/platform/FileItem.h"

#include <QString>

/// The main window's state besides its controls, shared by the subsystems it owns.
struct SessionState {
    /// The number the next row added from a single song file gets in cell 0.
    int nextFileNumber = 1;
    /// Checked rows, as the status line shows them.
    int checkedCount = 0;
    /// Total of cell 4 over the checked rows, in kilobytes.
    qint64 checkedSizeKB = 0;
    /// The transfer destination folder.
    FileItem destinationFolder;
    /// The card's music folder, once found.
    FileItem cardMusicFolder;
    /// Free space and capacity of the card's volume, in megabytes x 1000.
    qint64 diskFreeSpace = 0;
    qint64 diskCapacity = 0;
    bool diskEjectable = false;
    /// Size of the files in the destination folder as last measured, in kilobytes.
    qint64 destinationSizeKB = 0;
    /// The song-list file last chosen in the song-list dialog.
    QString lastSelectedListFile;
    /// The song list's column widths, kept while the list shows the card listing.
    QString savedColumnWidths;
};
