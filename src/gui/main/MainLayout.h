#pragma once

#include <QRect>
#include <QtGlobal>

#include <array>

/// The main window's layout rules that do not need the widgets.
namespace MainLayout {

/// The title column's width after the window was resized, from the widths of columns 0 to
/// 4 and the list's width; -1 when it keeps its width. The title column takes the room
/// the others leave, less 15 pixels, while the columns do not fill the list or are wide
/// enough to scroll; a wide title column that no longer has room falls back to 192.
int titleWidthAfterResize(const std::array<int, 5> &widths, int listWidth);

/// Above this width of the status line the status texts are centred.
inline constexpr int kCentreStatusAbove = 280;
Qt::Alignment statusAlignment(int statusLineWidth);

/// The two lines along the list's top: the dark one at the list's top from left - 1 to
/// x = width + 7, the grey one a pixel higher from left - 2 to x = width + 7 at open and
/// width + 8 after a resize (end points included).
QRect darkEdgeLine(const QRect &list);
QRect greyEdgeLine(const QRect &list, bool atOpen);

/// The loading list's place inside the list frame.
QRect loadingListIn(const QRect &frame);
/// The rounded rectangle under the source box, and the source label inside it.
QRect sourceRoundRect(const QRect &box);
QRect sourceLabelIn(const QRect &box);

/// The first start's content place: the designed width widened until a status text of
/// `neededTextWidth` pixels fits, the given height, held to `least`..`most` and to the room
/// (less `reserved` height for the menu bar), centred in the room.
QRect firstStartPlace(int neededTextWidth, int height, QRect room, int reserved, QSize least, QSize most);

} // namespace MainLayout
