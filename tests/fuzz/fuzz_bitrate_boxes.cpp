// A song file's box tree as any encoder, or damage, may leave it. The walk to the esds box
// must stay inside the file and its boxes, and the patch may change eight bytes at most.

#include "FuzzSupport.h"

#include "core/card/BitratePatch.h"

#include <QBuffer>

using namespace CardFormat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray song = fuzz::bytesOf(data, size);

    QByteArray copy = song;
    QBuffer buffer(&copy);
    fuzz::expect(buffer.open(QIODevice::ReadOnly), "the buffer opens");
    const std::optional<qint64> offset = findEsdsBitrateOffset(buffer);
    if (offset)
        fuzz::expect(*offset >= 0 && *offset + 8 <= song.size(), "the bitrate fields lie inside the file");

    const QString path = fuzz::scratchFolder() + QStringLiteral("/SDS_0000.3G2");
    fuzz::writeFile(path, song);
    const PatchResult result = patchBitrate(path, 1);
    const QByteArray after = fuzz::readFile(path);
    fuzz::expect(after.size() == song.size(), "the patch keeps the song's size");
    if (result != PatchResult::Patched) {
        fuzz::expect(after == song, "an unpatched song is left as it was");
        return 0;
    }
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < song.size(); ++i) {
        if (after[i] != song[i]) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    fuzz::expect(first < 0 || last - first < 8, "the patch writes the two bitrate fields only");
    return 0;
}
