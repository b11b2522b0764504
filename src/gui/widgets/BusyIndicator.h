#pragma once

#include <QProgressBar>

class QTimer;

/// The small spinning indicator that shows while a loader works: twelve spokes turning
/// while it is visible.
class BusyIndicator final : public QProgressBar {
    Q_OBJECT
public:
    explicit BusyIndicator(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer *m_turn;
    int m_step = 0;
};
