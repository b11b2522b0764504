#pragma once

// What lies on the card: song numbers, the names of song files and management files, and
// the bytes of a management file. The transfer engine and the card editor both build on
// this, so the layout is written down once.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace CardFormat {

inline constexpr int kMaxSongNumber = 9999;
inline constexpr int kMaxMgrNumber = 99;
inline constexpr int kSlotCount = 100;
inline constexpr qint64 kHeaderSize = 32;
inline constexpr qint64 kSlotSize = 96;
/// 9632: the header and 100 slots.
inline constexpr qint64 kMgrFileSize = kHeaderSize + kSlotCount * kSlotSize;
/// Longest card title, in Shift_JIS bytes.
inline constexpr int kTitleMax = 40;
/// The part of a used slot that `writeTitleRecord` writes; the slot ends in 32 zero bytes.
inline constexpr qint64 kTitleRecordSize = 64;

/// A number the card can name: 0 to 9999.
bool isSongNumber(int n);
/// "SDS_nnnn.3G2"; nothing for a number outside 0..9999 (never wrapped to fewer digits).
std::optional<QString> songFileName(int n);
/// "SD_F_nnn.MGR"; nothing for a number outside 0..99.
std::optional<QString> mgrFileName(int m);
/// Management file number of song n (n div 100); n must be a song number.
int mgrNumberOf(int n);
/// Slot index of song n (n mod 100); n must be a song number.
int slotIndexOf(int n);
/// The song number of a name of the exact form "SDS_" + four digits + ".3G2".
std::optional<int> songNumberFromFileName(QStringView name);
/// File offset of slot s's first byte.
qint64 slotOffset(int s);

/// The 32-byte header.
QByteArray headerBytes();
/// Slot s of a new management file m: 10m + s, then zeros.
QByteArray blankSlot(int m, int s);
/// A new management file m: header and 100 blank slots, 9632 bytes.
QByteArray newMgrFile(int m);
/// The first 64 bytes of song n's used slot: number, fixed bytes, length and title. A title
/// longer than 40 bytes is cut at a character boundary.
QByteArray titleRecord(int n, const QByteArray &title);
/// A whole used slot: the title record and 32 zero bytes.
QByteArray usedSlot(int n, const QByteArray &title);

} // namespace CardFormat
