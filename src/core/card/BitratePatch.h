#pragma once

// Makes a song copied to the card announce 128 kbps: the phone refuses songs whose header
// announces more.

#include <QIODevice>
#include <QString>

#include <optional>

namespace CardFormat {

/// Where the usual encoder leaves the decoder configuration's maxBitrate field.
inline constexpr qint64 kFixedBitrateOffset = 472;
inline constexpr quint32 kPatchedBitrate = 128000;

enum class PatchResult {
    Unchanged,   ///< patch off, nothing above 128 kbps found, or boxes that do not parse
    Patched,     ///< maxBitrate and avgBitrate now both read 128000
    CannotOpen,  ///< the song file could not be opened for reading and writing
    WriteFailed,
};

/// One of the six bitrates the patch lowers at the fixed offset: 160, 192, 196, 224, 256
/// and 320 kbps.
bool isRecognisedBitrate(quint32 maxBitrate);

/// Whether an esds box's numbers announce more than the card takes: a maximum above
/// 128000, or a maximum of 0 (written by encoders that leave it unknown) with an average
/// above 128000.
bool exceedsCardBitrate(quint32 maxBitrate, quint32 avgBitrate);

/// File offset of the maxBitrate field (avgBitrate follows it) of the first audio track's
/// esds box, found by walking moov/trak/mdia/minf/stbl/stsd/mp4a/esds. Reads box headers
/// only on the way; nothing when a box does not parse or runs past its parent or the file.
std::optional<qint64> findEsdsBitrateOffset(QIODevice &device);

/// With `bitratePatchMode` 1: when the value at offset 472 is recognised, or else when the
/// audio track's esds box exceeds the card's bitrate, both numbers there become 128000. Nothing else is written,
/// and with any other mode the file is not even opened.
PatchResult patchBitrate(const QString &songFile, int bitratePatchMode);
/// The same with `preference::bitratePatchMode`.
PatchResult patchBitrate(const QString &songFile);

} // namespace CardFormat
