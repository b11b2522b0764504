#include "core/platform/NumberText.h"

#include <QString>

#include <cmath>
#include <limits>

namespace NumberText {

double readsAs(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    double value = 0;
    bool any = false;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        value = value * 10 + (text[i].unicode() - u'0');
        any = true;
        ++i;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        double scale = 0.1;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            value += (text[i].unicode() - u'0') * scale;
            scale /= 10;
            any = true;
            ++i;
        }
    }
    if (!any)
        return 0;
    return negative ? -value : value;
}

qint64 readsAsInteger(QStringView text)
{
    const double v = std::trunc(readsAs(text));
    if (v >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (v <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(v);
}

int readsAsInt(QStringView text)
{
    const double v = std::trunc(readsAs(text));
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

double sizeCellValue(QStringView cell)
{
    QString s = cell.toString();
    s.remove(QStringLiteral("KB "));
    s.remove(QLatin1Char(','));
    s.remove(QLatin1Char(' '));
    return readsAs(s);
}

} // namespace NumberText
