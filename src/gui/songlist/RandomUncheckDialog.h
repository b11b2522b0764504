#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

/// The random uncheck dialog: how many of the list's rows to uncheck at random. It
/// proposes a fifth of the rows and never lets the number reach past the list.
class RandomUncheckDialog final : public QDialog {
    Q_OBJECT
public:
    /// Opens on a list of `rowCount` rows (`listRowCount`).
    explicit RandomUncheckDialog(int rowCount, QWidget *parent = nullptr);

    static constexpr QSize kSize{296, 105};

    /// The number of rows when the dialog opened.
    int listRowCount = 0;

    /// The field's number, truncated.
    int fieldNumber() const;
    QLineEdit *countField() const { return m_field; }
    QLabel *countLabel() const { return m_countLabel; }

    void arrowUp();
    void arrowDown();
    /// "実行": asks for the uncheck, then closes.
    void execute();

signals:
    /// Uncheck `n` random rows and check all others.
    void executeRequested(int n);

private:
    void onTextChanged();

    QLabel *m_countLabel;
    QLineEdit *m_field;
    QToolButton *m_up;
    QToolButton *m_down;
    QPushButton *m_cancel;
    QPushButton *m_run;
};
