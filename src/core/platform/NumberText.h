#pragma once

#include <QStringView>

/// How a text "reads as" a number throughout the program: leading blanks are skipped, then
/// an optional sign, digits and an optional decimal part are read from the start; text that
/// does not begin with a number reads as 0.
namespace NumberText {

double readsAs(QStringView text);
/// readsAs truncated toward zero, clamped to the 64-bit range.
qint64 readsAsInteger(QStringView text);
/// readsAs truncated toward zero, clamped to the 32-bit signed range (preference fields).
int readsAsInt(QStringView text);

/// A size cell of the song list read back: every "KB ", then every ",", then every blank
/// removed, then read as a number.
double sizeCellValue(QStringView cell);

} // namespace NumberText
