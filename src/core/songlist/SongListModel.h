#pragma once

#include "core/songlist/SongRow.h"

#include <QAbstractTableModel>
#include <QList>

#include <algorithm>

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
    /// Sets the check boxes of rows first..last (clamped to the list) to what
    /// `wanted(row, wasChecked)` answers, with one signal per run of rows that really
    /// changed: long walks stay cheap for the views.
    template <typename Wanted>
    void updateChecks(int first, int last, Wanted &&wanted);
    /// Sets cell `column` of rows first..last (clamped) to `text(row)`, with one signal for
    /// the span of rows that changed.
    template <typename Text>
    void updateCells(int column, int first, int last, Text &&text);

    void appendRow(const SongRow &row);
    void appendRows(const QList<SongRow> &rows);
    /// Removes the given rows (any order, duplicates and rows out of range ignored).
    void removeRowsAt(QList<int> rows);
    /// Above this many separate runs of rows, a removal resets the model in one pass.
    static constexpr int kMaxSignalledRuns = 16;
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
    void emitCheckRun(int first, int last);
    /// Rearranges the rows: new row n is old row order[n].
    void applyOrder(const QList<int> &order);

    QList<SongRow> m_rows;
    QStringList m_headings;
};

template <typename Wanted>
void SongListModel::updateChecks(int first, int last, Wanted &&wanted)
{
    first = std::max(first, 0);
    last = std::min(last, int(m_rows.size()) - 1);
    int runStart = -1;
    for (int r = first; r <= last; ++r) {
        const bool was = m_rows[r].checked;
        const bool now = wanted(r, was);
        if (now != was) {
            m_rows[r].checked = now;
            if (runStart < 0)
                runStart = r;
        } else if (runStart >= 0) {
            emitCheckRun(runStart, r - 1);
            runStart = -1;
        }
    }
    if (runStart >= 0)
        emitCheckRun(runStart, last);
}

template <typename Text>
void SongListModel::updateCells(int column, int first, int last, Text &&text)
{
    if (column < 0 || column >= kColumns)
        return;
    first = std::max(first, 0);
    last = std::min(last, int(m_rows.size()) - 1);
    int lo = -1, hi = -1;
    for (int r = first; r <= last; ++r) {
        QString t = text(r);
        QString &cur = m_rows[r].cells[column];
        if (cur == t)
            continue;
        cur = std::move(t);
        if (lo < 0)
            lo = r;
        hi = r;
    }
    if (lo >= 0)
        emit dataChanged(index(lo, column), index(hi, column), {Qt::DisplayRole, Qt::EditRole});
}
