#pragma once

// Everything one transfer run is told: what it does, where to, and how it titles, patches
// and spares room. A run reads these and nothing else, so the window, the command-line
// tool and the tests each say exactly what they want.

#include "core/card/CardTitle.h"
#include "core/platform/FileItem.h"

#include <QString>

#include <functional>

struct TransferOptions {
    enum class Mode {
        Add,      ///< the card's songs stay; new ones take the free numbers, dated before the earliest
        Replace,  ///< the card's songs are expected gone; numbering starts afresh
        Compact,  ///< the compact window's entries into an emptied card folder
    };

    /// The free megabytes (1024 × 1024 bytes) of a volume, as text that reads as a number.
    using FreeSpaceQuery = std::function<QString(const QString &volumeName)>;

    Mode mode = Mode::Replace;
    FileItem destinationFolder;
    /// The run first deletes the folder's songs and management files (the main window's
    /// replace-all, or the compact window's clearing), yielding after each entry.
    bool clearFirst = false;
    /// The progress maximum; below 0 the run counts what it will handle.
    int progressMaximum = -1;
    CardFormat::TitleOrder titleOrder;
    /// Songs announcing more than 128 kbps are made to announce 128 kbps on the card.
    bool patchBitrate = false;
    /// Megabytes the card keeps free; 0 never asks for the free space.
    int keepFreeMB = 0;
    /// Compact entries are "title TAB artist TAB album TAB path" rather than colon paths.
    bool compactEntriesUseLibraryInfo = false;
    /// Asked for the card's free space before each song while keepFreeMB is set; empty asks
    /// the volume table.
    FreeSpaceQuery freeSpace;
};
