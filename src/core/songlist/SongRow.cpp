#include "core/songlist/SongRow.h"

#include "core/platform/NumberText.h"

#include <cmath>
#include <limits>

namespace SongSize {

QString formatKB(qint64 bytes)
{
    return formatWholeKB(static_cast<qint64>(std::llround(static_cast<double>(bytes) / 1000.0)));
}

QString formatWholeKB(qint64 kb)
{
    // The magnitude in unsigned arithmetic: the smallest qint64 has no positive twin.
    QString digits = QString::number(kb < 0 ? 0 - quint64(kb) : quint64(kb));
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    if (kb < 0)
        digits.prepend(QLatin1Char('-'));
    return digits + QStringLiteral(" KB ");
}

qint64 roundedKB(double kb)
{
    if (std::isnan(kb))
        return 0;
    if (kb >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (kb <= -9.2e18)
        return -std::numeric_limits<qint64>::max();
    return std::llround(kb);
}

double readCell(const QString &cell) { return NumberText::sizeCellValue(cell); }

} // namespace SongSize

SongRow SongRow::make(const QString &number, const QString &title, const QString &artist,
                      const QString &album, qint64 bytes, const QString &colonPath,
                      const QString &source)
{
    SongRow r;
    r.cells[Number] = number;
    r.cells[Title] = title;
    r.cells[Artist] = QLatin1Char(' ') + artist;
    r.cells[Album] = QLatin1Char(' ') + album;
    r.cells[Size] = SongSize::formatKB(bytes);
    r.cells[Path] = colonPath;
    r.cells[Source] = source;
    r.checked = true;
    return r;
}

double SongRow::sizeValue() const { return SongSize::readCell(cells[Size]); }

qint64 SongRow::sizeKB() const { return static_cast<qint64>(std::trunc(sizeValue())); }
