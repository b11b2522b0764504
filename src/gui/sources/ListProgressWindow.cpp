#include "gui/sources/ListProgressWindow.h"

#include <QLabel>
#include <QProgressBar>

using namespace Qt::StringLiterals;

ListProgressWindow::ListProgressWindow(QWidget *parent)
    : QDialog(parent, Qt::Sheet | Qt::FramelessWindowHint),
      m_message(new QLabel(u"曲リストを作成しています"_s, this)), m_bar(new QProgressBar(this))
{
    setObjectName(u"ListProgressWindow"_s);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kSize);
    m_message->setGeometry(20, 22, 255, 18);
    m_bar->setGeometry(20, 52, 255, 16);
    m_bar->setRange(0, 0);
    m_bar->setTextVisible(false);
}
