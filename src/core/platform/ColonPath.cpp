#include "core/platform/ColonPath.h"

#include <QDir>
#include <QFile>

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
} // namespace

QString nameToColon(QStringView posixName) { return swapSeparators(posixName); }

QString nameToPosix(QStringView colonName) { return swapSeparators(colonName); }

bool isValidName(QStringView colonName)
{
    if (colonName.isEmpty() || colonName == u"." || colonName == u"..")
        return false;
    return !colonName.contains(QLatin1Char(':')) && !colonName.contains(QChar(u'\0'));
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
