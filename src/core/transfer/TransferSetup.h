#pragma once

// How the window and the command-line tool set up a transfer from the preferences, so the
// two never disagree on titles, the bitrate patch, the space to keep or the free space.

#include "core/transfer/TransferOptions.h"

#include <QString>

#include <array>
#include <optional>

namespace TransferSetup {

/// What a front end puts over the preferences for one run; an empty field keeps the
/// preference.
struct Overrides {
    std::optional<int> keepFreeMB;
    /// Three digits: positions of title, artist and album.
    std::optional<QString> titleOrder;
    /// Byte budgets of title, artist and album.
    std::optional<std::array<int, 3>> titleBytes;
    std::optional<bool> patchBitrate;
};

/// The options of a run in `mode` into `destination`: the title order and budgets, the
/// bitrate patch, the space to keep and the compact entries' form from the preferences
/// (then `overrides`), the free space asked through the bridge. Replace and compact runs
/// empty the folder first.
TransferOptions fromPreferences(TransferOptions::Mode mode, const FileItem &destination,
                                const Overrides &overrides = {});

/// The bridge call "volume-free" for a volume, so that a script of that name can answer.
QString bridgeFreeSpace(const QString &volumeName);

} // namespace TransferSetup
