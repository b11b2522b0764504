#include "core/platform/ColonPath.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace ColonPath {

namespace {
QString swapSeparators(QStringView name)
{
    QString out = name.toString();
    for (QChar &c : out) {
        if (c == QLatin1Char('/'))
            c = QLatin1Char(':');
        else if (c == QLatin1Char(':'))
            c = QLatin1Char('/');
    }
    return out;
}
// The stand-ins of bytes that are not UTF-8: low surrogates, which valid UTF-8 never
// decodes to.
constexpr char16_t kEscapedByteBase = 0xDC00;

bool isEscapedByte(char16_t c) { return c >= kEscapedByteBase + 0x80 && c <= kEscapedByteBase + 0xFF; }

// The length of the UTF-8 sequence a lead byte announces; 0 for a byte no sequence starts.
qsizetype sequenceLength(uchar lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// UTF-8 as text, a leading U+FEFF included: QString::fromUtf8 drops it as a byte-order
// mark, and a name that starts with one would lose it.
QString fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder(bytes);
}

bool holdsLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}
} // namespace

QString nameToColon(QStringView posixName) { return swapSeparators(posixName); }

QString nameToPosix(QStringView colonName) { return swapSeparators(colonName); }

QString nameFromDisk(QByteArrayView posixName)
{
    if (posixName.isValidUtf8())
        return nameToColon(fromUtf8(posixName));
    QString text;
    text.reserve(posixName.size());
    qsizetype i = 0;
    while (i < posixName.size()) {
        const uchar lead = uchar(posixName[i]);
        if (lead < 0x80) {
            text += QLatin1Char(char(lead));
            ++i;
            continue;
        }
        // A whole sequence that Qt's decoder takes reads as its character; anything else
        // (a stray continuation byte, an overlong form, a cut sequence) byte by byte.
        const qsizetype length = sequenceLength(lead);
        if (length > 0 && i + length <= posixName.size()) {
            const QByteArrayView sequence = posixName.sliced(i, length);
            if (sequence.isValidUtf8()) {
                text += fromUtf8(sequence);
                i += length;
                continue;
            }
        }
        text += QChar(char16_t(kEscapedByteBase + lead));
        ++i;
    }
    return nameToColon(text);
}

QByteArray nameToDisk(QStringView colonName)
{
    const QString text = nameToPosix(colonName);
    if (!holdsLoneSurrogate(text))
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!isEscapedByte(c.unicode()))
            continue;
        bytes += QStringView(text).sliced(runStart, i - runStart).toUtf8();
        bytes += char(c.unicode() - kEscapedByteBase);
        runStart = i + 1;
    }
    bytes += QStringView(text).sliced(runStart).toUtf8();
    return bytes;
}

bool isValidName(QStringView colonName)
{
    if (colonName.isEmpty() || colonName == u"." || colonName == u"..")
        return false;
    if (colonName.contains(QLatin1Char(':')) || colonName.contains(QChar(u'\0')))
        return false;
    // A stand-in that no name on disk produces (an escaped byte of valid UTF-8, another
    // lone surrogate) would give back a different name: it names nothing.
    return !holdsLoneSurrogate(colonName) || nameFromDisk(nameToDisk(colonName)) == colonName;
}

std::optional<Parts> split(QStringView colonPath)
{
    const QList<QStringView> fields = colonPath.split(QLatin1Char(':'));
    Parts parts;
    // The volume is looked up by name only, so "." or ".." there could never resolve
    // anywhere but to a volume of that name; only emptiness and NUL are refused.
    const QStringView volume = fields.first();
    if (volume.isEmpty() || volume.contains(QChar(u'\0')))
        return std::nullopt;
    parts.volume = volume.toString();
    qsizetype last = fields.size() - 1;
    if (last >= 1 && fields.at(last).isEmpty()) {
        parts.trailingColon = true;
        --last;
    }
    for (qsizetype i = 1; i <= last; ++i) {
        if (!isValidName(fields.at(i)))
            return std::nullopt;
        parts.names.append(fields.at(i).toString());
    }
    return parts;
}

QString join(const QString &volume, const QStringList &names, bool folder)
{
    QString out = volume + QLatin1Char(':');
    out += names.join(QLatin1Char(':'));
    if (folder && !names.isEmpty())
        out += QLatin1Char(':');
    return out;
}

QByteArray cleanPosix(QByteArrayView path)
{
    QByteArray full;
    if (!path.startsWith('/'))
        full = QFile::encodeName(QDir::currentPath()) + '/';
    full += path;
    QList<QByteArray> kept;
    for (const QByteArray &name : full.split('/')) {
        if (name.isEmpty() || name == ".")
            continue;
        if (name == "..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(name);
    }
    return '/' + kept.join('/');
}

} // namespace ColonPath
