#include "core/sources/SourceRecord.h"

#include "core/songlist/SongListModel.h"

#include <QItemSelectionModel>

SourceRecord::SourceRecord(QObject *parent) : QObject(parent) {}

void SourceRecord::setLabel(const QString &text)
{
    // Said every time: a label widget set by other means is brought back in line too.
    m_label = text;
    emit labelChanged(m_label);
}

void SourceRecord::addSource(const QString &name)
{
    setLabel(name);
    m_rows.prepend(name);
    // The selected row keeps its text, as a list control's selection stays with its row.
    if (m_currentRow >= 0)
        ++m_currentRow;
    emit rowsChanged();
}

void SourceRecord::appendSource(const QString &name)
{
    m_rows.append(name);
    setLabel(name);
    emit rowsChanged();
}

void SourceRecord::clear()
{
    hide();
    m_rows = QStringList{QString()};
    m_currentRow = -1;
    pickedRow = 0;
    setLabel(QString());
    emit rowsChanged();
}

void SourceRecord::hide()
{
    if (m_visible && m_armed) {
        m_visible = false;
        emit hideRequested();
        m_armed = false;
    } else if (m_visible) {
        m_armed = true;
    }
}

void SourceRecord::open()
{
    selectionChanges = 0;
    if (m_armed || m_rows.size() < 3)
        return;
    m_visible = true;
    if (pickedRow < 0 || pickedRow >= m_rows.size())
        pickedRow = 0;
    emit opened(pickedRow);
    // Treated as a change even when the row was selected already: this sets the label and
    // moves selectionChanges to 1, so only the user's later picks select song rows.
    rowChanged(pickedRow);
}

void SourceRecord::rowChanged(int row)
{
    if (row >= 0 && row < m_rows.size()) {
        m_currentRow = row;
        setLabel(m_rows.at(row));
        pickedRow = row;
    }
    if (selectionChanges > 0) {
        selectRowsOfLabel();
        hide();
        selectionChanges = 0;
    }
    ++selectionChanges;
}

void SourceRecord::setSongList(SongListModel *songs, QItemSelectionModel *selection)
{
    m_songs = songs;
    m_selection = selection;
}

void SourceRecord::selectRowsOfLabel()
{
    if (!m_songs || !m_selection)
        return;
    // One selection change for the whole list: thousands of rows select at once.
    QItemSelection wanted;
    const int columns = m_songs->columnCount();
    int first = -1;
    const int n = m_songs->rowCount();
    for (int r = 0; r <= n; ++r) {
        const bool match = r < n && m_songs->cell(r, 6) == m_label;
        if (match && first < 0)
            first = r;
        if (!match && first >= 0) {
            wanted.select(m_songs->index(first, 0), m_songs->index(r - 1, columns - 1));
            first = -1;
        }
    }
    m_selection->select(wanted, QItemSelectionModel::ClearAndSelect);
}

QRect SourceRecord::popupGeometry(const QRect &box)
{
    return {box.left() + 3, box.top() + box.height() - 5, box.width() - 7, 120};
}

QRect SourceRecord::shadowGeometry(const QRect &popup)
{
    return {popup.left() + 2, popup.top() + 1, popup.width(), popup.height() + 1};
}
