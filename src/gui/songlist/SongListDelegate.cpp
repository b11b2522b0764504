#include "gui/songlist/SongListDelegate.h"

#include <QPainter>

void SongListDelegate::paintCellBackground(QPainter *painter, int row, int w, int h)
{
    const QColor band = QColor::fromRgb(kBand);
    if (row % 2 == 0)
        painter->fillRect(QRect(0, 0, w, h - 1), band);
    else
        painter->fillRect(QRect(0, h - 1, w, h), band);
    painter->setPen(QColor::fromRgb(kEdge));
    painter->drawLine(w - 1, 0, w - 1, h);
}

void SongListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setClipRect(option.rect);
    painter->translate(option.rect.topLeft());
    paintCellBackground(painter, index.row(), option.rect.width(), option.rect.height());
    painter->restore();
    QStyledItemDelegate::paint(painter, option, index);
}
