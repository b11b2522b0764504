#include "core/platform/ColonPathResolver.h"

#include "core/platform/ColonPath.h"
#include "core/platform/TextCodec.h"

namespace {

// Spelt completely in Shift_JIS: no character became "?" (0x3F is never a trail byte).
bool lossless(const QString &nfc, const QByteArray &sjis)
{
    return sjis.count('?') == nfc.count(u'?');
}

} // namespace

namespace ColonPathResolver {

bool sameShiftJisName(const QString &a, const QString &b)
{
    const QString na = a.normalized(QString::NormalizationForm_C);
    const QString nb = b.normalized(QString::NormalizationForm_C);
    if (na == nb)
        return true;
    const QByteArray sa = ShiftJis::encode(na);
    const QByteArray sb = ShiftJis::encode(nb);
    return sa == sb && lossless(na, sa) && lossless(nb, sb);
}

FileItem resolve(const QString &colonPath)
{
    const FileItem direct = FileItem::fromColonPath(colonPath);
    if (!direct.isNull() && direct.exists() && !direct.name().isEmpty())
        return direct;
    const std::optional<ColonPath::Parts> parts = ColonPath::split(colonPath);
    if (!parts)
        return {};
    FileItem item = FileItem::fromColonPath(parts->volume + u':');
    for (const QString &name : parts->names) {
        if (item.isNull())
            return {};
        FileItem next = item.child(name);
        if (!next.exists()) {
            const QList<FileItem> entries = item.entries();
            for (const FileItem &e : entries) {
                if (sameShiftJisName(e.name(), name)) {
                    next = e;
                    break;
                }
            }
        }
        item = next;
    }
    return item;
}

FileItem resolveLiterally(const QString &colonPath)
{
    const std::optional<ColonPath::Parts> parts = ColonPath::split(colonPath);
    if (!parts)
        return {};
    FileItem item = FileItem::fromColonPath(parts->volume + u':');
    for (const QString &name : parts->names)
        item = item.child(name);
    return item;
}

} // namespace ColonPathResolver
