#include "core/platform/TextCodec.h"

#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *kUtf16 = "UTF-16LE";
#else
constexpr const char *kUtf16 = "UTF-16BE";
#endif

constexpr char16_t kReplacement = 0xFFFD;

bool isLead(uchar b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrail(uchar b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// One open iconv descriptor, kept for the thread's lifetime: opening one costs far more than
// converting a title.
class Converter final {
public:
    Converter(const char *to, const char *from)
        : m_cd(iconv_open(to, from))
    {
        // Without glibc's conversion modules every title would be written wrong: stop loudly.
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            qFatal("Cannot convert from %s to %s: glibc's iconv modules are missing", from, to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    /// Converts as much as it can; on failure errno tells why and `in` points at the cause.
    bool convert(char *&in, size_t &inLeft, char *&out, size_t &outLeft)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // no state from an earlier failure
        return iconv(m_cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
    }

private:
    iconv_t m_cd;
};

Converter &toCp932()
{
    thread_local Converter c("CP932", kUtf16);
    return c;
}

Converter &fromCp932()
{
    thread_local Converter c(kUtf16, "CP932");
    return c;
}

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

bool isAscii(const char *p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (static_cast<uchar>(p[i]) >= 0x80)
            return false;
    }
    return true;
}

// CP932 spells these with other code points; the bytes are fixed here rather than left to
// the one-way extras of a particular glibc table.
int foldedBytes(char16_t c, char *out)
{
    auto two = [out](uchar a, uchar b) {
        out[0] = static_cast<char>(a);
        out[1] = static_cast<char>(b);
        return 2;
    };
    switch (c) {
    case 0x301C:
    case 0xFF5E: return two(0x81, 0x60);
    case 0x2016: return two(0x81, 0x61);
    case 0x2212: return two(0x81, 0x7C);
    case 0x2014: return two(0x81, 0x5C);
    case 0x00A2: return two(0x81, 0x91);
    case 0x00A3: return two(0x81, 0x92);
    case 0x00AC: return two(0x81, 0xCA);
    case 0x00A5: out[0] = 0x5C; return 1;
    case 0x203E: out[0] = 0x7E; return 1;
    default: return 0;
    }
}

// Characters CP932 has whose NFC form it lacks (Angstrom sign and two IBM compatibility
// ideographs): normalising them would turn a title read from a card into "?".
bool keepsOwnForm(char16_t c)
{
    return c == 0x212B || c == 0xFA15 || c == 0xFA20;
}

QString normalizedForCp932(const QString &text)
{
    qsizetype start = 0;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!keepsOwnForm(text.at(i).unicode()))
            continue;
        out += text.mid(start, i - start).normalized(QString::NormalizationForm_C);
        out += text.at(i);
        start = i + 1;
    }
    if (start == 0)
        return text.normalized(QString::NormalizationForm_C);
    out += text.mid(start).normalized(QString::NormalizationForm_C);
    return out;
}

// Encodes [begin, end) at `out`; a character without a CP932 form (a surrogate pair counts
// as one) becomes "?". `out` has room for two bytes per UTF-16 unit.
void encodeRun(const char16_t *begin, const char16_t *end, char *&out)
{
    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(begin));
    size_t inLeft = size_t(end - begin) * 2;
    size_t outLeft = inLeft;
    Converter &cd = toCp932();
    while (inLeft > 0 && !cd.convert(in, inLeft, out, outLeft)) {
        if (errno != EILSEQ && errno != EINVAL)
            qFatal("CP932 encoding failed: %s", strerror(errno));
        const auto *c = reinterpret_cast<const char16_t *>(in);
        const size_t units = inLeft >= 4 && QChar::isHighSurrogate(c[0]) && QChar::isLowSurrogate(c[1])
                ? 2 : 1;
        in += units * 2;
        inLeft -= units * 2;
        *out++ = '?';
        --outLeft;
    }
}

// Appends the CP932 decoding of [p, p + n) to `out`. An invalid byte becomes U+FFFD; so does
// an unmapped pair (lead and trail byte, consumed together); a lead byte whose follower
// cannot be a trail byte yields U+FFFD alone, and the follower is read afresh.
void appendCp932(const char *p, qsizetype n, QString &out)
{
    if (isAscii(p, n)) {
        out += QLatin1String(p, n);
        return;
    }
    const qsizetype base = out.size();
    out.resize(base + n); // never more than one unit per byte
    char *in = const_cast<char *>(p);
    size_t inLeft = size_t(n);
    char *o = reinterpret_cast<char *>(out.data() + base);
    size_t outLeft = size_t(n) * 2;
    Converter &cd = fromCp932();
    while (inLeft > 0 && !cd.convert(in, inLeft, o, outLeft)) {
        if (errno != EILSEQ && errno != EINVAL)
            qFatal("CP932 decoding failed: %s", strerror(errno));
        const auto b = static_cast<uchar>(in[0]);
        const size_t skip = inLeft >= 2 && isLead(b) && isTrail(static_cast<uchar>(in[1])) ? 2 : 1;
        in += skip;
        inLeft -= skip;
        const char16_t r = kReplacement;
        memcpy(o, &r, 2);
        o += 2;
        outLeft -= 2;
    }
    out.truncate(base + (o - reinterpret_cast<char *>(out.data() + base)) / 2);
}

char16_t macSingle(uchar b)
{
    switch (b) {
    case 0x5C: return 0x00A5;
    case 0x80: return 0x005C;
    case 0xA0: return 0x00A0;
    case 0xFD: return 0x00A9;
    case 0xFE: return 0x2122;
    case 0xFF: return 0x2026;
    default: return 0;
    }
}

char16_t macPair(uchar lead, uchar trail)
{
    // Apple's symbol extensions and vertical forms have no table here.
    if ((lead >= 0x85 && lead <= 0x87) || (lead == 0x88 && trail < 0x9F)
        || (lead >= 0xEB && lead <= 0xED))
        return kReplacement;
    if (lead != 0x81)
        return 0;
    switch (trail) {
    case 0x5C: return 0x2014;
    case 0x60: return 0x301C;
    case 0x61: return 0x2016;
    case 0x7C: return 0x2212;
    case 0x91: return 0x00A2;
    case 0x92: return 0x00A3;
    case 0xCA: return 0x00AC;
    default: return 0;
    }
}

// UTF-16 with lone surrogates and an odd last byte replaced by U+FFFD.
QString decodeUtf16(const char *p, qsizetype n, bool bigEndian)
{
    QString out;
    out.reserve(n / 2 + 1);
    auto unitAt = [&](qsizetype i) {
        return bigEndian ? qFromBigEndian<char16_t>(p + i) : qFromLittleEndian<char16_t>(p + i);
    };
    qsizetype i = 0;
    for (; i + 1 < n; i += 2) {
        const char16_t u = unitAt(i);
        if (QChar::isHighSurrogate(u) && i + 3 < n && QChar::isLowSurrogate(unitAt(i + 2))) {
            out += QChar(u);
            out += QChar(unitAt(i + 2));
            i += 2;
        } else if (QChar::isSurrogate(u)) {
            out += QChar(kReplacement);
        } else {
            out += QChar(u);
        }
    }
    if (i < n)
        out += QChar(kReplacement);
    return out;
}

} // namespace

namespace ShiftJis {

QByteArray encode(const QString &text)
{
    if (isAscii(text))
        return text.toLatin1();
    const QString nfc = normalizedForCp932(text);
    QByteArray bytes(nfc.size() * 2, Qt::Uninitialized);
    char *out = bytes.data();
    const auto *p = reinterpret_cast<const char16_t *>(nfc.constData());
    const char16_t *const end = p + nfc.size();
    const char16_t *run = p;
    for (; p < end; ++p) {
        char folded[2];
        const int n = foldedBytes(*p, folded);
        if (n == 0)
            continue;
        encodeRun(run, p, out);
        for (int i = 0; i < n; ++i)
            *out++ = folded[i];
        run = p + 1;
    }
    encodeRun(run, end, out);
    bytes.truncate(out - bytes.data());
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    QString out;
    appendCp932(bytes.constData(), bytes.size(), out);
    return out;
}

int byteLength(const QString &text)
{
    if (isAscii(text))
        return int(text.size());
    return int(encode(text).size());
}

} // namespace ShiftJis

namespace MacJapanese {

QString decode(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    // Runs without Apple's differences go to the CP932 decoder in one piece.
    qsizetype run = 0;
    qsizetype i = 0;
    while (i < n) {
        const auto b = static_cast<uchar>(p[i]);
        qsizetype len = 1;
        char16_t mac = 0;
        if (isLead(b)) {
            if (i + 1 < n && isTrail(static_cast<uchar>(p[i + 1]))) {
                len = 2;
                mac = macPair(b, static_cast<uchar>(p[i + 1]));
            }
        } else {
            mac = macSingle(b);
        }
        if (mac != 0) {
            appendCp932(p + run, i - run, out);
            out += QChar(mac);
            run = i + len;
        }
        i += len;
    }
    appendCp932(p + run, n - run, out);
    return out;
}

} // namespace MacJapanese

namespace TextCodec {

QString decodeExportedList(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes.constData() + 2, bytes.size() - 2, false);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes.constData() + 2, bytes.size() - 2, true);
    return MacJapanese::decode(bytes);
}

} // namespace TextCodec
