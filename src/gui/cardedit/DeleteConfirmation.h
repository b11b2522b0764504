#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

/// Asks before the card edits delete the songs whose rows were unchecked. "削除" turns it
/// into a busy note with both buttons locked until the window closes it; "キャンセル", the
/// close box and Escape leave the card and the list as they are.
class DeleteConfirmation final : public QDialog {
    Q_OBJECT
public:
    explicit DeleteConfirmation(QWidget *parent = nullptr);

    static constexpr QSize kSize{340, 118};

    QLabel *text() const { return m_text; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *deleteButton() const { return m_delete; }
    QProgressBar *busyIndicator() const { return m_busy; }
    /// Closes the dialog once the card has been updated.
    void finish();

signals:
    /// "削除" was pressed: the dialog now shows that the card is being updated.
    void deleteConfirmed();

protected:
    void reject() override;

private:
    void confirm();

    QLabel *m_text;
    QProgressBar *m_busy;
    QPushButton *m_cancel;
    QPushButton *m_delete;
    bool m_working = false;
};
