#pragma once

#include <QWidget>

/// The About box: the icon, the product name, the version line and a notice on white.
/// A click anywhere closes it. It opens centred on its parent window.
class AboutBox final : public QWidget {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    /// "1.1(v1.1.0)" for the short version "1.1.0".
    static QString versionLine(const QString &shortVersion);

    void setVisible(bool visible) override;

signals:
    void closed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
