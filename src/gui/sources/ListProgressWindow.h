#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

/// The list progress window: a sheet on the main window saying that the song list is
/// being made. Its bar only shows that work goes on; it is never given a value.
class ListProgressWindow final : public QDialog {
    Q_OBJECT
public:
    explicit ListProgressWindow(QWidget *parent = nullptr);

    static constexpr QSize kSize{295, 105};

    QLabel *message() const { return m_message; }
    QProgressBar *bar() const { return m_bar; }

private:
    QLabel *m_message;
    QProgressBar *m_bar;
};
