#pragma once

#include <QStyledItemDelegate>

/// Paints the song list's stripes: a light blue band under every even row that starts one
/// pixel higher than the row, and a grey line at each cell's right edge; the normal text
/// and check box follow.
class SongListDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr QRgb kBand = 0xFFEDF3FE; // 237, 243, 254
    static constexpr QRgb kEdge = 0xFFD9D9D9; // 217, 217, 217

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    /// The background of one cell of the given size, in cell coordinates.
    static void paintCellBackground(QPainter *painter, int row, int w, int h);
};
