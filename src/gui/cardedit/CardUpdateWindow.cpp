#include "gui/cardedit/CardUpdateWindow.h"

#include "gui/widgets/UiFonts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

using namespace Qt::StringLiterals;

CardUpdateWindow::CardUpdateWindow(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(u"CardUpdateWindow"_s);
    setWindowTitle(u"Songkite"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kSize);

    m_message = new QLabel(u"転送先フォルダを更新中..."_s, this);
    m_message->setObjectName(u"message"_s);
    m_message->setFont(UiFonts::gothic(12));
    m_message->setGeometry(20, 18, 255, 20);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(u"progressBar"_s);
    m_bar->setGeometry(20, 52, 255, 18);
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
}

void CardUpdateWindow::setProgress(int done, int total)
{
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(done);
}

void CardUpdateWindow::finish()
{
    m_closable = true;
    close();
}

void CardUpdateWindow::reject()
{
    // Escape and the close box do nothing while the card is written.
    if (m_closable)
        QDialog::reject();
}

void CardUpdateWindow::closeEvent(QCloseEvent *event)
{
    if (m_closable)
        QDialog::closeEvent(event);
    else
        event->ignore();
}
