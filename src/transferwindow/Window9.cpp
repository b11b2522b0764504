#include "transferwindow/Window9.h"

#include <QCloseEvent>

Window9::Window9(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Window9"));
    setWindowTitle(QStringLiteral(" "));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xea, 0xea, 0xea));
    setPalette(pal);
}

bool Window9::handleCommand(const QString &id)
{
    // The mode switch belongs to the application, even with this window in front.
    if (id == QStringLiteral("listWindowMode"))
        return false;
    return false;
}

void Window9::closeEvent(QCloseEvent *event)
{
    // Closing only hides: the window lives for the whole run.
    event->ignore();
    hide();
}
