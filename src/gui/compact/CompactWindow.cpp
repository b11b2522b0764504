#include "gui/compact/CompactWindow.h"

#include <QCloseEvent>

CompactWindow::CompactWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("CompactWindow"));
    setWindowTitle(QStringLiteral(" "));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xea, 0xea, 0xea));
    setPalette(pal);
}

bool CompactWindow::handleCommand(const QString &id)
{
    // The mode switch belongs to the application, even with this window in front.
    if (id == QStringLiteral("showListWindow"))
        return false;
    return false;
}

void CompactWindow::closeEvent(QCloseEvent *event)
{
    // Closing only hides: the window lives for the whole run.
    event->ignore();
    hide();
}
