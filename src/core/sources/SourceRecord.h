#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QStringList>

class QItemSelectionModel;
class SongListModel;

/// The record of song sources: the source label's text and the rows of the source popup
/// (newest first, with one empty row from the start or the last clear), and the popup's
/// state. The popup widget (SourcePopup) and the label only show what this holds.
///
/// Popup states: closed -> open (visible) -> armed (visible) -> closed by the next hide(),
/// which raises hideRequested.
class SourceRecord final : public QObject {
    Q_OBJECT
public:
    explicit SourceRecord(QObject *parent = nullptr);

    /// The source label's text; the label widget shows it (set it here, not on the widget).
    const QString &label() const { return m_label; }
    void setLabel(const QString &text);

    /// The popup's rows, row 0 on top.
    const QStringList &rows() const { return m_rows; }
    /// A new source: becomes the label and the popup's top row.
    void addSource(const QString &name);
    /// A source recorded at the bottom of the popup (the default list at start-up); it
    /// becomes the label too.
    void appendSource(const QString &name);
    /// Empties the record with the song list: hides the popup, leaves one empty row and an
    /// empty label.
    void clear();

    // The popup.
    /// The open popup was armed: the next hide() closes it, and a click in the box does
    /// not open it again meanwhile.
    bool isArmed() const { return m_armed; }
    int selectionChanges = 0;  ///< changes of the popup's selected row since it was opened
    int pickedRow = 0; ///< the row picked last, selected again at each opening
    bool isVisible() const { return m_visible; }
    /// The popup's selected row, -1 for none.
    int currentRow() const { return m_currentRow; }

    /// Closes an armed popup, arms an open one; nothing when it is closed.
    void hide();
    /// A mouse-down in the source box: opens the popup when it is closed and holds at
    /// least two sources, and selects the row picked last without selecting song rows.
    void open();
    /// A change of the popup's selected row: the user's pick, or the selection made while
    /// opening. A pick selects exactly the song rows whose source is the picked text.
    void rowChanged(int row);

    /// The song list and its selection that a pick selects rows in.
    void setSongList(SongListModel *songs, QItemSelectionModel *selection);

    /// Where the open popup and its shadow go, from the source box (window coordinates).
    static QRect popupGeometry(const QRect &sourceBox);
    static QRect shadowGeometry(const QRect &popup);

signals:
    void labelChanged(const QString &text);
    void rowsChanged();
    /// The popup is to be shown (shadow first), with `row` selected.
    void opened(int row);
    /// The popup hid itself; the window hides the shadow.
    void hideRequested();

private:
    void selectRowsOfLabel();

    QString m_label;
    QStringList m_rows{QString()};
    bool m_visible = false;
    bool m_armed = false;
    int m_currentRow = -1;
    SongListModel *m_songs = nullptr;
    QItemSelectionModel *m_selection = nullptr;
};
