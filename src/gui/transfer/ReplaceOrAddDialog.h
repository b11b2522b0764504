#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

/// Asks whether a transfer adds to the songs on the destination or replaces them all.
/// Its three buttons form one array: index 0 "キャンセル" (the default), 1 "全入替", 2 "追加".
class ReplaceOrAddDialog final : public QDialog {
    Q_OBJECT
public:
    enum Choice { Cancel = 0, ReplaceAll = 1, Add = 2 };

    explicit ReplaceOrAddDialog(QWidget *parent = nullptr);

    QPushButton *button(int index) const;
    QLabel *text() const { return m_text; }
    QProgressBar *busyIndicator() const { return m_busy; }

    /// While the old files are deleted the text and the buttons take no input; afterwards
    /// only "キャンセル" and "全入替" come back.
    void setDeleting(bool deleting);

signals:
    /// A button was pressed; the dialog closes after the handler has run.
    void chosen(int choice);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void press(int index);

    QLabel *m_text;
    QProgressBar *m_busy;
    QPushButton *m_buttons[3];
    bool m_done = false;
};
