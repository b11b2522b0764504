#include "gui/widgets/UiFonts.h"

#include <QStringList>

namespace UiFonts {

QFont font(const QString &designedFamily, int points, bool bold)
{
    QStringList families{designedFamily};
    const bool mincho = designedFamily.contains(QStringLiteral("明朝"));
    if (mincho)
        families << QStringLiteral("IPAPMincho") << QStringLiteral("IPAMincho");
    families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic") << QStringLiteral("Noto Sans CJK JP")
             << QStringLiteral("sans-serif");
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(points);
    f.setBold(bold);
    return f;
}

} // namespace UiFonts
