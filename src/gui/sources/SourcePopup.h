#pragma once

#include <QListWidget>

class QFrame;
class SourceRecord;

/// The source popup: a one-column list of the record's sources, hidden until opened, with
/// its shadow behind it. It shows the record and hands the user's picks to it; the
/// record decides when it opens and closes.
class SourcePopup final : public QListWidget {
    Q_OBJECT
public:
    /// Both the popup and `shadow` are children of the main window's content.
    SourcePopup(SourceRecord *record, QWidget *parent);

    /// Opens the popup against the source box (content coordinates), as a mouse-down in
    /// the box asks.
    void openAt(const QRect &sourceBox);
    /// Closes an armed popup, arms an open one; the record decides which.
    void hide();
    QFrame *shadow() const { return m_shadow; }
    SourceRecord *record() const { return m_record; }

private:
    void reload();
    void showOpened(int row);
    void hideNow();

    SourceRecord *m_record;
    QFrame *m_shadow;
    QRect m_box;
    bool m_filling = false;
};
