#pragma once

#include "platform/FileItem.h"

#include <QString>

/// The main window's state besides its controls, shared by the subsystems it owns.
struct MainProperties {
    /// The number the next row added from a single song file gets in cell 0.
    int fileCounter = 1;
    /// Checked rows, as the status line shows them.
    int sumFileNum = 0;
    /// Total of cell 4 over the checked rows, in kilobytes.
    qint64 sumFileSize = 0;
    /// The transfer destination folder.
    FileItem musicfolder;
    /// The card's music folder, once found.
    FileItem miniSDsDSDfolder;
    /// Free space and capacity of the card's volume, in megabytes x 1000.
    qint64 DiskFreeSpace = 0;
    qint64 DiskCapacity = 0;
    bool DiskEjectable = false;
    /// Size of the files in the destination folder as last measured, in kilobytes.
    qint64 dsdSize = 0;
    /// The song-list file last chosen in the song-list dialog.
    QString lastSelectedFile;
    /// The song list's column widths, kept while the list shows the card listing.
    QString lbcolumnwidth;
};
