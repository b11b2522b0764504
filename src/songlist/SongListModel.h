#pragma once

#include "songlist/SongRow.h"

#include <QAbstractTableModel>
#include <QList>

/// The song list: the one store of the rows while the program runs. Every command reads
/// and writes it; the list box only shows it. Row order is list order.
class SongListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SongListModel(QObject *parent = nullptr);

    static constexpr int kColumns = SongRow::kCells;
    /// Column widths and headings of the song list.
    static const QList<int> &defaultColumnWidths();
    static QString defaultHeading(int column);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Direct access for the commands, loaders and threads.
    const SongRow &row(int r) const { return m_rows[r]; }
    const QList<SongRow> &rows() const { return m_rows; }
    QString cell(int r, int c) const;
    /// Sets one cell; no signal when the text is unchanged. Out-of-range rows are ignored,
    /// so a thread that outlives a removal never writes a row that is gone.
    void setCell(int r, int c, const QString &text);
    bool isChecked(int r) const { return r >= 0 && r < m_rows.size() && m_rows[r].checked; }
    /// Sets a row's check box; signals only a real change.
    void setChecked(int r, bool checked);

    void appendRow(const SongRow &row);
    void appendRows(const QList<SongRow> &rows);
    /// Removes the given rows (any order, duplicates ignored).
    void removeRowsAt(QList<int> rows);
    void clear();
    /// Moves the given rows, in their list order, to sit before row `destination` (a
    /// position in the list before the move; rowCount() appends). Returns where the first
    /// moved row ended up, or -1 when nothing moved.
    int moveRowsTo(QList<int> rows, int destination);

    /// The row comparison the list asks for: for columns 0 and 4 the numbers by the size rule
    /// give 1 when r1's is larger and -1 otherwise (equal numbers too); other columns
    /// compare the texts (negative, 0, positive).
    int compareRows(int r1, int r2, int column) const;
    /// Mime type of rows dragged inside the list.
    static QString rowsMimeType();

signals:
    /// The user clicked a row's check box.
    void checkClicked(int row);
    /// Rows were dragged to a new place inside the list.
    void rowsDragged();

private:
    /// Rearranges the rows: new row n is old row order[n].
    void applyOrder(const QList<int> &order);

    QList<SongRow> m_rows;
    QStringList m_headings;
};
