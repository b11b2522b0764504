#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

/// The transfer's progress: a message, a bar, a counter and one button, "中止" during a
/// run and "OK" after a report. "中止" asks the transfer to stop and waits for its report,
/// which says how many songs went; "OK" closes. While a run goes, closing the window is
/// "中止" too: it stays until the report.
class TransferProgressDialog final : public QWidget {
    Q_OBJECT
public:
    explicit TransferProgressDialog(QWidget *parent = nullptr);

    QLabel *message() const { return m_message; }
    QProgressBar *progressBar() const { return m_bar; }
    QLabel *counter() const { return m_counter; }
    QPushButton *button() const { return m_button; }

    /// Shows a report in place of the progress: bar at 0, counter empty, the button "OK"
    /// and the default.
    void showReport(const QString &text);
    /// The run ended with nothing to report: the window closes.
    void closeAfterRun();

signals:
    /// "中止" was pressed or the window was closed during the run; sent once.
    void stopPressed();
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void askToStop();

    QLabel *m_message;
    QProgressBar *m_bar;
    QLabel *m_counter;
    QPushButton *m_button;
    bool m_reported = false;
    bool m_runOver = false;
    bool m_stopAsked = false;
};
