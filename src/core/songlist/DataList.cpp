#include "core/songlist/DataList.h"

void DataList::addRow(const QString &text)
{
    Row r;
    r[0] = text;
    table.append(r);
    lastRow = int(table.size()) - 1;
}

QString DataList::cell(int row, int column) const
{
    if (row < 0 || row >= table.size() || column < 0 || column >= 7)
        return {};
    return table[row][column];
}

void DataList::setLastRowCell(int column, const QString &text)
{
    if (lastRow < 0 || lastRow >= table.size() || column < 0 || column >= 7)
        return;
    table[lastRow][column] = text;
}
