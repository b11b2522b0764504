#pragma once

#include <QList>
#include <QString>

#include <array>

/// A plain table of string rows of seven cells, where the start-up loader collects rows
/// before they reach the song list. Rows and columns are 0-based.
class DataList final {
public:
    using Row = std::array<QString, 7>;

    /// Appends a row of empty cells with `text` in cell 0; it becomes the last row.
    void addRow(const QString &text);
    /// One cell; an empty text outside the table.
    QString cell(int row, int column) const;
    /// Sets a cell of the row added last; ignored before the first row.
    void setLastRowCell(int column, const QString &text);
    int rowCount() const { return int(table.size()); }

    QList<Row> table;
    int lastRow = -1;
};
