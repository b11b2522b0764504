#pragma once

// The card side of one transfer run: which song numbers are free, the management files
// made ready for the run, the move of a finished copy into place and one song's title.

#include "core/card/MgrFile.h"
#include "core/platform/FileItem.h"

#include <QByteArray>
#include <QSet>

#include <optional>

namespace CardFormat {

class TransferCard final {
public:
    /// Keep: an existing management file is written into as it is (add mode). Fresh: one
    /// that survived the deletion is written anew before its first slot is used, so no
    /// stale title outlives a replace.
    enum class MgrMode { Keep, Fresh };

    TransferCard(const FileItem &folder, MgrMode mode);

    /// The lowest song number from `from` on whose song file does not exist; nothing when
    /// every number up to 9999 is taken.
    std::optional<int> firstFreeNumber(int from) const;
    /// SDS_nnnn.3G2 of the folder.
    FileItem songFile(int n) const;

    /// Makes management file m ready: created with blank slots when missing, written anew
    /// once per run in Fresh mode, checked for its header in Keep mode. False (with
    /// lastError) when it cannot be used; a later call tries again.
    bool prepareMgr(int m);
    /// Writes song n's whole slot into its (prepared) management file and closes it again,
    /// so the title is on the card before the next song starts.
    bool writeTitle(int n, const QByteArray &title);

    /// errno (or EIO) of the last failure.
    int lastError() const { return m_lastError; }

private:
    FileItem mgrFile(int m) const;
    bool rewriteBlank(int m);

    FileItem m_folder;
    MgrMode m_mode;
    QSet<int> m_ready;
    MgrWriter m_writer;
    int m_lastError = 0;
};

/// Renames `from` to `to` unless `to` exists (EEXIST); 0 or an errno value.
int renameNoReplace(const FileItem &from, const FileItem &to);

} // namespace CardFormat
