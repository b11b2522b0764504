#include "core/songlist/SongListModel.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QDataStream>
#include <QIODevice>
#include <QLocale>
#include <QMimeData>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

qint64 numberOf(const QString &cell) { return static_cast<qint64>(std::trunc(SongSize::readCell(cell))); }

QCollator &textCollator()
{
    static QCollator c = [] {
        QCollator col{QLocale(QLocale::Japanese, QLocale::Japan)};
        col.setNumericMode(false);
        col.setCaseSensitivity(Qt::CaseInsensitive);
        return col;
    }();
    return c;
}

bool isNumericColumn(int c) { return c == SongRow::Number || c == SongRow::Size; }

} // namespace

SongListModel::SongListModel(QObject *parent) : QAbstractTableModel(parent)
{
    for (int c = 0; c < kColumns; ++c)
        m_headings << defaultHeading(c);
}

const QList<int> &SongListModel::defaultColumnWidths()
{
    static const QList<int> widths{34, 215, 150, 221, 80, 0, 0};
    return widths;
}

QString SongListModel::defaultHeading(int column)
{
    switch (column) {
    case SongRow::Title: return QStringLiteral("曲名");
    case SongRow::Artist: return QStringLiteral("アーティスト");
    case SongRow::Album: return QStringLiteral("アルバム");
    case SongRow::Size: return QStringLiteral("サイズ");
    default: return QStringLiteral(" ");
    }
}

int SongListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int SongListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant SongListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= kColumns)
        return {};
    const SongRow &r = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return r.cells[index.column()];
    case Qt::CheckStateRole:
        if (index.column() == SongRow::Title)
            return r.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (isNumericColumn(index.column()))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool SongListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return false;
    if (role == Qt::CheckStateRole && index.column() == SongRow::Title) {
        const bool wanted = value.toInt() == Qt::Checked;
        if (m_rows[index.row()].checked != wanted) {
            setChecked(index.row(), wanted);
            emit checkClicked(index.row());
        }
        return true;
    }
    if (role == Qt::EditRole || role == Qt::DisplayRole) {
        setCell(index.row(), index.column(), value.toString());
        return true;
    }
    return false;
}

QVariant SongListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return {};
    if (role == Qt::DisplayRole)
        return m_headings[section];
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

bool SongListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns || role != Qt::EditRole)
        return false;
    m_headings[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags SongListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == SongRow::Title)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

Qt::DropActions SongListModel::supportedDropActions() const { return Qt::MoveAction | Qt::CopyAction; }

Qt::DropActions SongListModel::supportedDragActions() const { return Qt::MoveAction; }

QString SongListModel::rowsMimeType() { return QStringLiteral("application/x-songkite-rows"); }

QStringList SongListModel::mimeTypes() const { return {rowsMimeType(), QStringLiteral("text/uri-list")}; }

QMimeData *SongListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &i : indexes)
        if (i.isValid() && !rows.contains(i.row()))
            rows << i.row();
    std::sort(rows.begin(), rows.end());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quintptr(this) << rows;
    auto *mime = new QMimeData;
    mime->setData(rowsMimeType(), bytes);
    return mime;
}

bool SongListModel::canDropMimeData(const QMimeData *data, Qt::DropAction, int, int, const QModelIndex &) const
{
    return data && data->hasFormat(rowsMimeType());
}

bool SongListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                 const QModelIndex &parent)
{
    // Moves are done here in one go; the view is told the drop was a copy so it does not
    // remove the dragged rows a second time.
    if (!data || !data->hasFormat(rowsMimeType()) || action == Qt::IgnoreAction)
        return false;
    QDataStream in(data->data(rowsMimeType()));
    quintptr source = 0;
    QList<int> rows;
    in >> source >> rows;
    if (source != quintptr(this))
        return false;
    int dest = row;
    if (dest < 0)
        dest = parent.isValid() ? parent.row() : rowCount();
    if (moveRowsTo(rows, dest) >= 0)
        emit rowsDragged();
    return false;
}

QString SongListModel::cell(int r, int c) const
{
    if (r < 0 || r >= m_rows.size() || c < 0 || c >= kColumns)
        return {};
    return m_rows[r].cells[c];
}

void SongListModel::setCell(int r, int c, const QString &text)
{
    if (r < 0 || r >= m_rows.size() || c < 0 || c >= kColumns)
        return;
    QString &cur = m_rows[r].cells[c];
    if (cur == text)
        return;
    cur = text;
    const QModelIndex i = index(r, c);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void SongListModel::setChecked(int r, bool checked)
{
    if (r < 0 || r >= m_rows.size() || m_rows[r].checked == checked)
        return;
    m_rows[r].checked = checked;
    const QModelIndex i = index(r, SongRow::Title);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

void SongListModel::emitCheckRun(int first, int last)
{
    emit dataChanged(index(first, SongRow::Title), index(last, SongRow::Title), {Qt::CheckStateRole});
}

void SongListModel::appendRow(const SongRow &row) { appendRows({row}); }

void SongListModel::appendRows(const QList<SongRow> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void SongListModel::removeRowsAt(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return r < 0 || r >= m_rows.size(); }),
               rows.end());
    if (rows.isEmpty())
        return;
    int runs = 1;
    for (qsizetype i = 1; i < rows.size(); ++i)
        if (rows[i] != rows[i - 1] + 1)
            ++runs;
    if (runs > kMaxSignalledRuns) {
        // Each run removed on its own moves the rows below it: thousands of scattered rows
        // would take seconds. One pass and a reset instead.
        beginResetModel();
        QList<SongRow> kept;
        kept.reserve(m_rows.size() - rows.size());
        qsizetype k = 0;
        for (int r = 0; r < m_rows.size(); ++r) {
            if (k < rows.size() && rows[k] == r) {
                ++k;
                continue;
            }
            kept.append(std::move(m_rows[r]));
        }
        m_rows = std::move(kept);
        endResetModel();
        return;
    }
    // Remove contiguous runs from the bottom up so indices stay valid and signals are few.
    qsizetype i = rows.size() - 1;
    while (i >= 0) {
        const int last = rows[i];
        int first = last;
        while (i > 0 && rows[i - 1] == first - 1) {
            --i;
            first = rows[i];
        }
        --i;
        beginRemoveRows({}, first, last);
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
    }
}

void SongListModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int SongListModel::moveRowsTo(QList<int> rows, int destination)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return r < 0 || r >= m_rows.size(); }),
               rows.end());
    if (rows.isEmpty())
        return -1;
    destination = std::clamp(destination, 0, int(m_rows.size()));

    // The new order as old row numbers: the rows before the destination that stay, the moved
    // rows, then the rest that stay.
    QList<int> order;
    order.reserve(m_rows.size());
    QList<int> after;
    int k = 0;
    for (int r = 0; r < m_rows.size(); ++r) {
        if (k < rows.size() && rows[k] == r) {
            ++k;
            continue;
        }
        (r < destination ? order : after).append(r);
    }
    const int firstMoved = int(order.size());
    order << rows << after;
    applyOrder(order);
    return firstMoved;
}

void SongListModel::applyOrder(const QList<int> &order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> newPos(m_rows.size());
    QList<SongRow> reordered;
    reordered.reserve(m_rows.size());
    for (int n = 0; n < order.size(); ++n) {
        newPos[order[n]] = n;
        reordered.append(std::move(m_rows[order[n]]));
    }
    m_rows = std::move(reordered);
    // Selections and the current row follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(before.size());
    for (const QModelIndex &i : before)
        moved << index(newPos[i.row()], i.column());
    changePersistentIndexList(before, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int SongListModel::compareRows(int r1, int r2, int column) const
{
    if (isNumericColumn(column)) {
        const qint64 p = numberOf(cell(r1, column));
        const qint64 q = numberOf(cell(r2, column));
        return p > q ? 1 : -1;
    }
    return textCollator().compare(cell(r1, column), cell(r2, column));
}

void SongListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumns || m_rows.size() < 2)
        return;
    // The list's comparison calls equal numbers "before" whichever comes first, which no
    // sort algorithm can rely on; a stable sort on the same keys gives the order it asks
    // for and keeps equal rows in their current order.
    const int n = int(m_rows.size());
    QList<int> perm(n);
    std::iota(perm.begin(), perm.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    if (isNumericColumn(column)) {
        QList<qint64> keys(n);
        for (int r = 0; r < n; ++r)
            keys[r] = numberOf(m_rows[r].cells[column]);
        std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
            return descending ? keys[a] > keys[b] : keys[a] < keys[b];
        });
    } else {
        QList<QCollatorSortKey> keys;
        keys.reserve(n);
        for (int r = 0; r < n; ++r)
            keys.append(textCollator().sortKey(m_rows[r].cells[column]));
        std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
            return descending ? keys[b].compare(keys[a]) < 0 : keys[a].compare(keys[b]) < 0;
        });
    }
    applyOrder(perm);
}
