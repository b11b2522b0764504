#pragma once

// Text rules shared by the card titles, the folder scan and the playlist import. Nothing
// here needs the Shift_JIS converter: cuts work on bytes that are already Shift_JIS.

#include <QByteArray>
#include <QString>

namespace CardFormat {

/// True for a byte that starts a two-byte Shift_JIS (CP932) character.
bool isSjisLeadByte(char byte);

/// The longest leading run of whole Shift_JIS characters of at most `limit` bytes; a text
/// that fits is returned unchanged, a two-byte character is never split.
QByteArray cutShiftJis(const QByteArray &sjis, qint64 limit);

/// Drops a leading track number ("01 Song") and then a disc-track prefix ("1-02 Song").
QString stripTrackPrefix(const QString &name);

} // namespace CardFormat
