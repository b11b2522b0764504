#pragma once

#include <QWidget>

/// The compact transfer window shown in transfer window mode: a 300 x 102 window with a
/// light grey background and an empty title. It lives for the whole run and is hidden
/// rather than closed.
class CompactWindow final : public QWidget {
    Q_OBJECT
public:
    explicit CompactWindow(QWidget *parent = nullptr);

    static constexpr int kWidth = 300;
    static constexpr int kHeight = 102;

    /// The window's handler for a menu command; false when the command is not handled here,
    /// so the application's own handler runs.
    bool handleCommand(const QString &id);

protected:
    void closeEvent(QCloseEvent *event) override;
};
