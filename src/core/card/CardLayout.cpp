#include "core/card/CardLayout.h"

#include "core/card/TitleRules.h"

#include <QtEndian>

namespace CardFormat {

namespace {

void appendBigEndian32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// Slot bytes 4 to 22 of a used slot: two fixed numbers, "ja-JP" and six zero bytes.
constexpr char kUsedSlotFixed[19] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x11,
                                     0x6A, 0x61, 0x2D, 0x4A, 0x50,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

} // namespace

bool isSongNumber(int n)
{
    return n >= 0 && n <= kMaxSongNumber;
}

std::optional<QString> songFileName(int n)
{
    if (!isSongNumber(n))
        return std::nullopt;
    return QStringLiteral("SDS_%1.3G2").arg(n, 4, 10, QLatin1Char('0'));
}

std::optional<QString> mgrFileName(int m)
{
    if (m < 0 || m > kMaxMgrNumber)
        return std::nullopt;
    return QStringLiteral("SD_F_%1.MGR").arg(m, 3, 10, QLatin1Char('0'));
}

int mgrNumberOf(int n)
{
    return n / 100;
}

int slotIndexOf(int n)
{
    return n % 100;
}

std::optional<int> songNumberFromFileName(QStringView name)
{
    if (name.size() != 12 || !name.startsWith(u"SDS_") || !name.endsWith(u".3G2"))
        return std::nullopt;
    int n = 0;
    for (qsizetype i = 4; i < 8; ++i) {
        const char16_t c = name[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c - u'0');
    }
    return n;
}

qint64 slotOffset(int s)
{
    return kHeaderSize + kSlotSize * s;
}

QByteArray headerBytes()
{
    QByteArray out("CNTM", 4);
    appendBigEndian32(out, 0x00100000);
    appendBigEndian32(out, quint32(kMgrFileSize));
    out.append(char(0x00)).append(char(kSlotSize));
    out.append(char(0x00)).append(char(kSlotCount));
    out.append(16, '\0');
    return out;
}

QByteArray blankSlot(int m, int s)
{
    QByteArray out;
    appendBigEndian32(out, quint32(10 * m + s));
    out.append(kSlotSize - 4, '\0');
    return out;
}

QByteArray newMgrFile(int m)
{
    QByteArray out = headerBytes();
    out.reserve(kMgrFileSize);
    for (int s = 0; s < kSlotCount; ++s)
        out.append(blankSlot(m, s));
    return out;
}

QByteArray titleRecord(int n, const QByteArray &title)
{
    const QByteArray cut = cutShiftJis(title, kTitleMax);
    QByteArray out;
    out.reserve(kTitleRecordSize);
    appendBigEndian32(out, quint32(n));
    out.append(kUsedSlotFixed, sizeof kUsedSlotFixed);
    out.append(char(cut.size()));
    out.append(cut);
    out.append(kTitleMax - cut.size(), '\0');
    return out;
}

QByteArray usedSlot(int n, const QByteArray &title)
{
    return titleRecord(n, title).append(kSlotSize - kTitleRecordSize, '\0');
}

} // namespace CardFormat
