#include "songlist/DataList.h"

void DataList::addRow(const QString &text)
{
    Row r;
    r[0] = text;
    listRows.append(r);
    rowCounter = int(listRows.size()) - 1;
}

QString DataList::getCell(int row, int column) const
{
    if (row < 0 || row >= listRows.size() || column < 0 || column >= 7)
        return {};
    return listRows[row][column];
}

void DataList::setLastRow(int column, const QString &text)
{
    if (rowCounter < 0 || rowCounter >= listRows.size() || column < 0 || column >= 7)
        return;
    listRows[rowCounter][column] = text;
}
