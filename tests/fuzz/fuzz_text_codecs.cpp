// The text codecs at the program's edges: card titles (Shift_JIS), the library's exported
// lists (Mac Japanese) and any text a user or a file brings in.

#include "FuzzSupport.h"

#include "core/platform/TextCodec.h"

namespace {

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);

    // Decoding gives at most one character per byte and never fails.
    const QString sjis = ShiftJis::decode(bytes);
    fuzz::expect(sjis.size() <= bytes.size(), "Shift_JIS decodes to at most one character a byte");
    const QString mac = MacJapanese::decode(bytes);
    fuzz::expect(mac.size() <= bytes.size(), "Mac Japanese decodes to at most one character a byte");
    TextCodec::decodeExportedList(bytes);

    // What the card holds reads the same after it is written again: the bytes a text
    // encodes to decode to a text that encodes to the very same bytes.
    const QByteArray card = ShiftJis::encode(sjis);
    fuzz::expect(ShiftJis::byteLength(sjis) == card.size(), "byteLength counts the bytes encode gives");
    const QString shown = ShiftJis::decode(card);
    fuzz::expect(ShiftJis::encode(shown) == card, "encoded Shift_JIS decodes and encodes to itself");
    if (isAscii(bytes) && !bytes.contains('\\') && !bytes.contains('~'))
        fuzz::expect(card == bytes, "plain ASCII stays as it is");

    // Any text, read as UTF-16 from the input, encodes to Shift_JIS that is stable the same way.
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
    const QByteArray encoded = ShiftJis::encode(text);
    fuzz::expect(ShiftJis::byteLength(text) == encoded.size(), "byteLength counts the bytes encode gives");
    fuzz::expect(ShiftJis::encode(ShiftJis::decode(encoded)) == encoded, "encoded text decodes and encodes to itself");
    return 0;
}
