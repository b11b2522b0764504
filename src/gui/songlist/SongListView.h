#pragma once

#include <QList>
#include <QTableView>
#include <QUrl>

class SongListModel;

/// The list box that shows the song list (or the card listing): seven columns, the last
/// two hidden, striped rows of 16 pixels, several rows selectable, rows reordered by
/// dragging, folders and song files accepted as drops. Heading clicks are reported, not
/// handled, so the window decides how to sort.
class SongListView final : public QTableView {
    Q_OBJECT
public:
    explicit SongListView(QWidget *parent = nullptr);

    void setSongModel(SongListModel *model);
    /// Keeps columns 5 and 6 out of sight, whatever their width became.
    void hideHiddenColumns();
    /// Wide enough for "9,999,999 KB" in the list's font.
    int sizeColumnWidth() const;
    /// Column widths as "34,215,150,221,80,0,0".
    QString columnWidthsText() const;
    void setColumnWidthsText(const QString &widths);

signals:
    void headingClicked(int column);
    void mousePressed();
    /// Files or folders dropped from outside the list.
    void filesDropped(const QList<QUrl> &urls);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
