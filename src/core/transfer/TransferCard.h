#pragma once

// The card side of one transfer run: which song numbers are free, the management files
// made ready for the run, the move of a finished copy into place and one song's title.

#include "core/card/MgrFile.h"
#include "core/platform/FileItem.h"

#include <QByteArray>
#include <QSet>

#include <functional>
#include <optional>

namespace CardFormat {

class TransferCard final {
public:
    /// Keep: an existing management file is written into as it is (add mode). Fresh: one
    /// that survived the deletion is written anew, so no stale title outlives a replace.
    enum class MgrMode { Keep, Fresh };
    /// Makes `data` the whole management file `file`; 0 or an errno value, the file as it
    /// was on failure (default: writeWholeFile).
    using MgrWriteFunction = std::function<int(const FileItem &file, const QByteArray &data)>;

    TransferCard(const FileItem &folder, MgrMode mode, MgrWriteFunction write = {});

    /// The lowest song number from `from` on whose song file does not exist; nothing when
    /// every number up to 9999 is taken.
    std::optional<int> firstFreeNumber(int from) const;
    /// SDS_nnnn.3G2 of the folder.
    FileItem songFile(int n) const;
    /// SD_F_nnn.MGR of the folder.
    FileItem mgrFile(int m) const;

    /// Makes management file m ready: created with blank slots when missing, checked for
    /// its header in Keep mode. In Fresh mode a surviving file is written blank at once
    /// only after a title went to the card; before that, with the first title, so nothing
    /// is blanked for a run that cannot write its first song. False (with lastError and
    /// lastFile) when it cannot be used; a later call tries again.
    bool prepareMgr(int m);
    /// Writes song n's whole slot into its (prepared) management file, the file written
    /// whole, so the title is on the card before the next song starts.
    bool writeTitle(int n, const QByteArray &title);

    /// Puts right what a run killed midway leaves: its scratch copies go, and a song file
    /// whose slot in an existing, sound management file is blank is titled with its own
    /// name (its title was lost, not its song). Damaged management files are left alone.
    /// False (with lastError and lastFile) when the card refuses.
    bool repairInterruptedRun();

    /// errno (or EILSEQ for a damaged management file) of the last failure.
    int lastError() const { return m_lastError; }
    /// The file the last failure concerns.
    FileItem lastFile() const { return m_lastFile; }

private:
    bool failWith(int error, const FileItem &file);
    std::optional<QByteArray> readMgr(int m);

    FileItem m_folder;
    MgrMode m_mode;
    MgrWriteFunction m_write;
    QSet<int> m_ready;
    /// Fresh mode: surviving files still to be written blank with their first title.
    QSet<int> m_renew;
    int m_titled = 0;
    int m_lastError = 0;
    FileItem m_lastFile;
};

/// Renames `from` to `to` unless `to` exists (EEXIST); 0 or an errno value.
int renameNoReplace(const FileItem &from, const FileItem &to);

} // namespace CardFormat
