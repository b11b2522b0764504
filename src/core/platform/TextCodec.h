#pragma once

// Text conversions at the program's edges. The program's own text is UTF-8; card titles
// and the bridge's name matching are Shift_JIS (CP932); the music library's exported lists
// are Mac Japanese unless they start with a byte-order mark.

#include <QByteArray>
#include <QString>

namespace ShiftJis {

/// NFC-normalises, folds the JIS forms that CP932 spells otherwise to the same bytes, and
/// encodes as CP932; a character with no form becomes one "?" (a surrogate pair too). The
/// few CP932 characters whose NFC form CP932 lacks (U+212B, U+FA15, U+FA20) keep their own.
QByteArray encode(const QString &text);
/// Decodes CP932; an invalid byte, an unmapped pair (lead and trail byte together) or a lead
/// byte without a trail byte becomes one U+FFFD, and decoding goes on after it.
QString decode(const QByteArray &bytes);
/// Bytes that `encode(text)` would give.
int byteLength(const QString &text);

} // namespace ShiftJis

namespace MacJapanese {

/// Decodes the Mac Japanese encoding: CP932 with Apple's differences; Apple's symbol
/// extensions (85 40 to 88 9E) and vertical forms (EB to ED) become U+FFFD.
QString decode(const QByteArray &bytes);

} // namespace MacJapanese

namespace TextCodec {

/// Decodes an exported song list: by its byte-order mark when it starts with a UTF-16 (LE or
/// BE) or UTF-8 one (the mark itself is dropped; invalid sequences, lone surrogates and an
/// odd last byte become U+FFFD), otherwise as Mac Japanese.
QString decodeExportedList(const QByteArray &bytes);

} // namespace TextCodec
