#pragma once

#include <QFont>
#include <QString>

/// Fonts named after the designed look, with the Japanese fonts of a Linux desktop as
/// fallbacks (IPA Gothic and Mincho). Sizes are in pixels equal to the designed points,
/// so the pixel layout of the windows holds at any screen resolution.
namespace UiFonts {

QFont font(const QString &designedFamily, int points, bool bold = false);

inline QFont gothic(int points) { return font(QStringLiteral("ヒラギノ角ゴ Pro W3"), points); }
inline QFont osaka(int points) { return font(QStringLiteral("Osaka"), points); }

} // namespace UiFonts
