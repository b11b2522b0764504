#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

/// Shown over the main window while the card edits are written: a note and the rows done.
/// The user cannot close it; the window closes it when the card has been listed again.
class CardUpdateWindow final : public QDialog {
    Q_OBJECT
public:
    explicit CardUpdateWindow(QWidget *parent = nullptr);

    static constexpr QSize kSize{295, 105};

    QLabel *message() const { return m_message; }
    QProgressBar *bar() const { return m_bar; }
    void setProgress(int done, int total);
    /// Closes the window for good.
    void finish();

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_message;
    QProgressBar *m_bar;
    bool m_closable = false;
};
