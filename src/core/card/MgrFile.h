#pragma once

// Writing, reading and editing management files (SD_F_nnn.MGR) on the card.

#include "core/card/CardLayout.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>

namespace CardFormat {

/// Why a management file could not be used. Every failure leaves the file as it was.
enum class MgrStatus {
    Ok,
    CannotOpen,  ///< missing, a folder, or no permission
    TooShort,    ///< fewer than 9632 bytes
    NotMgr,      ///< no "CNTM" at its start
    NoSuchSlot,  ///< slot index outside 0..99
    WriteFailed,
};

/// The transfer's side: holds at most one open management file and writes used slots.
class MgrWriter final {
public:
    enum class Opened { Created, Existing, Malformed, Failed };

    MgrWriter() = default;
    ~MgrWriter();
    MgrWriter(const MgrWriter &) = delete;
    MgrWriter &operator=(const MgrWriter &) = delete;

    /// Closes the open file and makes management file m of `folder` the open one: a
    /// missing file is created with its header and blank slots and left at slot 0; an
    /// existing one is opened at its start. An existing file that is too short or has no
    /// CNTM header is left closed and untouched (Malformed).
    Opened openOrCreate(int m, const QString &folder);
    /// Positions at song n's slot. Refused when n is no song number or belongs to another
    /// management file than the open one.
    bool seekSlot(int n);
    /// Writes the 64-byte title record of song n at the current position, which must be the
    /// start of song n's own slot.
    bool writeTitleRecord(const QByteArray &title, int n);
    /// Writes the 32 zero bytes that end a used slot; the position must be at slot offset 64.
    bool writeSlotTail();
    /// One song's whole slot: position, title record and tail.
    bool writeSong(int n, const QByteArray &title);
    /// Closes the open file; false when its last writes could not be flushed.
    bool close();

    bool isOpen() const { return m_file.isOpen(); }
    /// Number of the open management file, or -1.
    int openNumber() const { return m_number; }
    qint64 position() const { return m_file.pos(); }

private:
    QFile m_file;
    int m_number = -1;
};

/// What reading a file of the card came to: its first bytes, or the errno that stopped it.
struct FileBytes {
    QByteArray data;
    int error = 0;
};

/// At most `limit` bytes of the regular file at `path`. Anything else (a folder, a FIFO, a
/// device) is refused with EINVAL or EISDIR without waiting for it: a FIFO named like a
/// management file must not hang the reader.
FileBytes readRegularFile(const QString &path, qint64 limit);

/// Makes `data` the whole content of the file at `path`: written to a scratch file beside
/// it ("NAME.tmp"), then renamed over it, so the file is there whole or as it was. 0 or
/// the errno of the step that failed; the scratch file is gone either way.
int writeWholeFile(const QString &path, const QByteArray &data);

/// Ok when `data` starts with a whole management file (9632 bytes, CNTM first).
MgrStatus checkManagementData(const QByteArray &data);

/// File offset of slot 0's length byte, found from the first "ja-JP" (forward-only scan,
/// no step back after a partial match); 55 when there is none.
qint64 firstLengthOffset(const QByteArray &data);

/// Anchor of the in-place edits, from file bytes 40 to 43; 44 for this program's files.
/// Never below 40, so an edit cannot reach the header. `data` must pass checkManagementData.
qint64 editAnchor(const QByteArray &data);

/// The titles of one management file, slot by slot, still in Shift_JIS; an empty title is a
/// slot that holds no song. At most 40 bytes each, never read past the file.
struct MgrTitles {
    MgrStatus status = MgrStatus::CannotOpen;
    std::array<QByteArray, kSlotCount> titles;
};

MgrTitles titlesFromData(const QByteArray &data);
MgrTitles readTitles(const QString &path);

/// Rewrites slot s's length and title bytes in place (the title cut to 40 bytes).
MgrStatus retitleSlot(const QString &path, int s, const QByteArray &title);
/// Zeroes slot s from the anchor on (53 bytes): the slot keeps its number and fixed bytes.
MgrStatus clearSlot(const QString &path, int s);

} // namespace CardFormat
