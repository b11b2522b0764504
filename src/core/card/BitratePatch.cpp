#include "core/card/BitratePatch.h"

#include "core/prefs/Preferences.h"

#include <QFile>
#include <QtEndian>

namespace CardFormat {

namespace {

constexpr quint32 kRecognised[] = {320000, 224000, 160000, 192000, 196000, 256000};
constexpr char kPatchBytes[8] = {0x00, 0x01, char(0xF4), 0x00, 0x00, 0x01, char(0xF4), 0x00};

// A real song has a few dozen boxes on the way; a file needing more is not one we patch.
constexpr int kBoxBudget = 4096;
// Bytes of an esds box worth reading: its descriptors up to the bitrates fit easily.
constexpr qint64 kEsdsReadLimit = 512;

struct Box {
    QByteArray type;
    qint64 payload = 0;  // first byte after the header
    qint64 end = 0;      // first byte after the box
};

// Walks boxes within bounds it has checked; any inconsistency ends the walk for good.
class BoxWalker final {
public:
    explicit BoxWalker(QIODevice &device) : m_device(device), m_size(device.size()) {}

    qint64 size() const { return m_size; }
    bool failed() const { return m_failed; }

    // The first child of the given type in [from, limit), or nothing.
    std::optional<Box> find(qint64 from, qint64 limit, QByteArrayView type)
    {
        qint64 pos = from;
        while (!m_failed && pos < limit) {
            // A few stray bytes at the end of a container (some writers pad with zeros)
            // are not a box.
            if (limit - pos < 8)
                return std::nullopt;
            const auto box = boxAt(pos, limit);
            if (!box) {
                m_failed = true;
                return std::nullopt;
            }
            if (box->type == type)
                return box;
            pos = box->end;
        }
        return std::nullopt;
    }

    QByteArray read(qint64 pos, qint64 length)
    {
        if (m_failed || !m_device.seek(pos))
            return {};
        return m_device.read(length);
    }

private:
    std::optional<Box> boxAt(qint64 pos, qint64 limit)
    {
        if (--m_budget < 0)
            return std::nullopt;
        const QByteArray header = read(pos, 8);
        if (header.size() != 8)
            return std::nullopt;
        Box box;
        box.type = header.mid(4, 4);
        const quint64 size32 = qFromBigEndian<quint32>(header.constData());
        quint64 size = size32;
        qint64 headerSize = 8;
        if (size32 == 1) {
            const QByteArray large = read(pos + 8, 8);
            if (large.size() != 8)
                return std::nullopt;
            size = qFromBigEndian<quint64>(large.constData());
            headerSize = 16;
        } else if (size32 == 0) {
            size = quint64(limit - pos);  // runs to the end of its container
        }
        if (size < quint64(headerSize) || size > quint64(limit - pos))
            return std::nullopt;
        box.payload = pos + headerSize;
        box.end = pos + qint64(size);
        return box;
    }

    QIODevice &m_device;
    qint64 m_size = 0;
    int m_budget = kBoxBudget;
    bool m_failed = false;
};

// Reads an expandable descriptor length (up to four bytes of seven bits).
std::optional<qint64> descriptorLength(const QByteArray &bytes, qint64 &pos)
{
    qint64 length = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= bytes.size())
            return std::nullopt;
        const auto b = static_cast<unsigned char>(bytes[pos++]);
        length = (length << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return length;
    }
    return std::nullopt;
}

// Offset within the esds payload of the decoder configuration's maxBitrate. `payload` holds
// the first bytes of a payload of `payloadSize` bytes; nothing is read beyond either.
std::optional<qint64> bitrateInEsds(const QByteArray &payload, qint64 payloadSize)
{
    constexpr char kEsDescriptor = 0x03;
    constexpr char kDecoderConfig = 0x04;
    qint64 pos = 4;  // version and flags
    if (pos >= payload.size() || payload[pos++] != kEsDescriptor)
        return std::nullopt;
    const auto esLength = descriptorLength(payload, pos);
    if (!esLength)
        return std::nullopt;
    const qint64 esEnd = pos + *esLength;
    if (esEnd > payloadSize || pos + 3 > esEnd || pos + 3 > payload.size())
        return std::nullopt;
    pos += 2;  // ES_ID
    const auto flags = static_cast<unsigned char>(payload[pos++]);
    if (flags & 0x80)
        pos += 2;  // dependsOn_ES_ID
    if (flags & 0x40) {
        if (pos >= esEnd || pos >= payload.size())
            return std::nullopt;
        pos += 1 + static_cast<unsigned char>(payload[pos]);  // URL
    }
    if (flags & 0x20)
        pos += 2;  // OCR_ES_Id
    while (pos < esEnd && pos < payload.size()) {
        const char tag = payload[pos++];
        const auto length = descriptorLength(payload, pos);
        if (!length || pos + *length > esEnd)
            return std::nullopt;
        if (tag == kDecoderConfig) {
            // objectTypeIndication, streamType, bufferSizeDB(3), maxBitrate, avgBitrate
            if (*length < 13 || pos + 13 > payload.size())
                return std::nullopt;
            return pos + 5;
        }
        pos += *length;
    }
    return std::nullopt;
}

// The esds box of an mp4a sample entry, directly or inside a QuickTime 'wave' box.
std::optional<Box> esdsOfSampleEntry(BoxWalker &walker, const Box &mp4a)
{
    // Audio sample entry: 8 reserved/reference bytes, then version; version 1 and 2
    // (QuickTime) carry 16 or 36 more bytes before the child boxes.
    const QByteArray version = walker.read(mp4a.payload + 8, 2);
    if (version.size() != 2)
        return std::nullopt;
    qint64 children = mp4a.payload + 28;
    switch (qFromBigEndian<quint16>(version.constData())) {
    case 0: break;
    case 1: children += 16; break;
    case 2: children += 36; break;
    default: return std::nullopt;
    }
    if (children > mp4a.end)
        return std::nullopt;
    if (auto esds = walker.find(children, mp4a.end, "esds"))
        return esds;
    if (auto wave = walker.find(children, mp4a.end, "wave"))
        return walker.find(wave->payload, wave->end, "esds");
    return std::nullopt;
}

std::optional<qint64> esdsOfTrack(BoxWalker &walker, const Box &trak)
{
    auto box = std::optional<Box>(trak);
    for (const char *type : {"mdia", "minf", "stbl", "stsd"}) {
        box = walker.find(box->payload, box->end, type);
        if (!box)
            return std::nullopt;
    }
    const Box stsd = *box;
    // stsd: version, flags and entry count before the sample entries.
    if (stsd.payload + 8 > stsd.end)
        return std::nullopt;
    const auto mp4a = walker.find(stsd.payload + 8, stsd.end, "mp4a");
    if (!mp4a)
        return std::nullopt;
    const auto esds = esdsOfSampleEntry(walker, *mp4a);
    if (!esds)
        return std::nullopt;
    const qint64 payloadSize = esds->end - esds->payload;
    const QByteArray payload = walker.read(esds->payload, qMin(payloadSize, kEsdsReadLimit));
    const auto offset = bitrateInEsds(payload, payloadSize);
    if (!offset)
        return std::nullopt;
    return esds->payload + *offset;
}

// Patches the eight-byte field at `offset` when `shouldPatch(maxBitrate, avgBitrate)` holds;
// nothing otherwise.
template <typename Rule>
std::optional<PatchResult> patchAt(QFile &file, qint64 offset, Rule shouldPatch)
{
    // The whole eight-byte field must lie inside the file: writing it must never grow it.
    if (offset < 0 || offset + 8 > file.size() || !file.seek(offset))
        return std::nullopt;
    const QByteArray value = file.read(8);
    if (value.size() != 8
        || !shouldPatch(qFromBigEndian<quint32>(value.constData()), qFromBigEndian<quint32>(value.constData() + 4)))
        return std::nullopt;
    if (!file.seek(offset) || file.write(kPatchBytes, 8) != 8 || !file.flush())
        return PatchResult::WriteFailed;
    return PatchResult::Patched;
}

} // namespace

bool exceedsCardBitrate(quint32 maxBitrate, quint32 avgBitrate)
{
    return maxBitrate > kPatchedBitrate || (maxBitrate == 0 && avgBitrate > kPatchedBitrate);
}

bool isRecognisedBitrate(quint32 maxBitrate)
{
    for (quint32 value : kRecognised) {
        if (value == maxBitrate)
            return true;
    }
    return false;
}

std::optional<qint64> findEsdsBitrateOffset(QIODevice &device)
{
    BoxWalker walker(device);
    const auto moov = walker.find(0, walker.size(), "moov");
    if (!moov)
        return std::nullopt;
    qint64 pos = moov->payload;
    while (const auto trak = walker.find(pos, moov->end, "trak")) {
        if (const auto offset = esdsOfTrack(walker, *trak))
            return offset;
        if (walker.failed())
            return std::nullopt;
        pos = trak->end;  // not an audio track: try the next
    }
    return std::nullopt;
}

PatchResult patchBitrate(const QString &songFile, int bitratePatchMode)
{
    if (bitratePatchMode != 1)
        return PatchResult::Unchanged;
    QFile file(songFile);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return PatchResult::CannotOpen;
    const auto recognised = [](quint32 maxBitrate, quint32) { return isRecognisedBitrate(maxBitrate); };
    if (const auto result = patchAt(file, kFixedBitrateOffset, recognised))
        return *result;
    if (const auto offset = findEsdsBitrateOffset(file)) {
        if (const auto result = patchAt(file, *offset, exceedsCardBitrate))
            return *result;
    }
    return PatchResult::Unchanged;
}

PatchResult patchBitrate(const QString &songFile)
{
    return patchBitrate(songFile, preference::bitratePatchMode);
}

} // namespace CardFormat
