#pragma once

// Emptying the card folder of songs and management files before a transfer refills it.

#include "core/platform/FileItem.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace CardFormat {

/// Endings the main window's replace-all deletes: songs, the transfer's scratch copies,
/// management files and their scratch copies.
const QStringList &replaceAllSuffixes();
/// Endings the compact window deletes before its transfer.
const QStringList &compactSuffixes();

/// A file (or link) directly in the card folder whose name ends in one of `suffixes`.
/// Folders never are, whatever their name.
bool isClearingTarget(const FileItem &item, const QStringList &suffixes);

struct ClearingResult {
    int deleted = 0;
    /// Targets that refused deletion; they stay on the card.
    QList<FileItem> kept;
    /// errno of the first refusal, 0 when every target went.
    int firstError = 0;
};

/// What stands in the way of emptying and refilling a card folder: an errno value and the
/// item concerned; error 0 when nothing does.
struct ClearingObstacle {
    int error = 0;
    FileItem item;
};

/// Asked before anything is deleted, so that a run that could not finish leaves the card as
/// it was: the folder takes new files and lets files go (EROFS, EPERM), every target can
/// be deleted (EPERM for an immutable or append-only one), and no management file's name
/// is taken by a folder (EISDIR).
ClearingObstacle findClearingObstacle(const FileItem &folder, const QStringList &suffixes);

/// Deletes the targets among the folder's entries. A file that cannot be deleted is kept
/// and the visit goes on with the next entry, so one stubborn file never shields the rest.
/// `afterItem` runs after each entry (the windows let events run there); `remove` replaces
/// FileItem::remove (tests make a file refuse).
ClearingResult clearCardFolder(const FileItem &folder, const QStringList &suffixes,
                         const std::function<void()> &afterItem = {},
                         const std::function<int(const FileItem &)> &remove = {});

} // namespace CardFormat
