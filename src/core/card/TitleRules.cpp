#include "core/card/TitleRules.h"

#include "core/platform/NumberText.h"

namespace CardFormat {

bool isSjisLeadByte(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

QByteArray cutShiftJis(const QByteArray &sjis, qint64 limit)
{
    if (sjis.size() <= limit)
        return sjis;
    qsizetype end = 0;
    while (end < sjis.size()) {
        // A lead byte with nothing after it (a damaged stored title) counts as one character.
        const qsizetype width = isSjisLeadByte(sjis[end]) && end + 1 < sjis.size() ? 2 : 1;
        if (end + width > limit)
            break;
        end += width;
    }
    return sjis.left(end);
}

QString stripTrackPrefix(const QString &name)
{
    QString result = name;
    if (result.size() >= 3 && result[2] == u' ') {
        const qint64 track = NumberText::readsAsInteger(QStringView(result).left(2));
        if (track >= 1 && track <= 98)
            result.remove(0, 3);
    }
    if (result.size() >= 5 && result[1] == u'-' && result[4] == u' ') {
        const char16_t disc = result[0].unicode();
        const qint64 track = NumberText::readsAsInteger(QStringView(result).mid(2, 2));
        if (disc >= u'1' && disc <= u'8' && track >= 1 && track <= 98)
            result.remove(0, 5);
    }
    return result;
}

} // namespace CardFormat
