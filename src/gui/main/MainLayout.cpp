#include "gui/main/MainLayout.h"

#include <algorithm>

namespace MainLayout {

int titleWidthAfterResize(const std::array<int, 5> &c, int listWidth)
{
    const int sum = c[0] + c[1] + c[2] + c[3] + c[4];
    const int room = listWidth - (c[0] + c[2] + c[3] + c[4]);
    if (sum < listWidth)
        return room - 15;
    if (sum > 700) {
        if (room > 207)
            return room - 15;
        if (c[1] > 207)
            return 192;
    }
    return -1;
}

Qt::Alignment statusAlignment(int statusLineWidth)
{
    return (statusLineWidth > kCentreStatusAbove ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

static QRect horizontalLine(int x1, int x2, int y) { return QRect(x1, y, std::max(x2 - x1 + 1, 0), 1); }

QRect darkEdgeLine(const QRect &list) { return horizontalLine(list.left() - 1, list.width() + 7, list.top()); }

QRect greyEdgeLine(const QRect &list, bool atOpen)
{
    return horizontalLine(list.left() - 2, list.width() + (atOpen ? 7 : 8), list.top() - 1);
}

QRect loadingListIn(const QRect &frame) { return {frame.left() + 2, frame.top() + 1, frame.width() - 4, frame.height() - 3}; }

QRect sourceRoundRect(const QRect &box) { return {box.left() - 1, box.top() - 1, box.width() + 2, box.height() + 1}; }

QRect sourceLabelIn(const QRect &box) { return {box.left() + 9, box.top() + 7, box.width() - 15, 18}; }

QRect firstStartPlace(int neededTextWidth, int height, QRect room, int reserved, QSize least, QSize most)
{
    // The status labels are 116 wide at the designed width of 277 and follow the window's width.
    constexpr int designedWidth = 277, statusWidthAtDesign = 116, margin = 8;
    QSize size(designedWidth + std::max(0, neededTextWidth + margin - statusWidthAtDesign), height);
    size = size.boundedTo(room.size() - QSize(0, reserved)).boundedTo(most).expandedTo(least);
    const QPoint topLeft(room.x() + (room.width() - size.width()) / 2, room.y() + (room.height() - size.height()) / 2);
    return {topLeft, size};
}

} // namespace MainLayout
