#include "gui/transfer/TransferProgressDialog.h"

#include "gui/widgets/UiFonts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TransferProgressDialog::TransferProgressDialog(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("TransferProgressDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Songkite"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(360, 110);

    m_message = new QLabel(QStringLiteral("曲ファイルを指定フォルダに転送しています"), this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setFont(UiFonts::gothic(12));
    m_message->setGeometry(20, 10, 320, 20);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progress"));
    m_bar->setTextVisible(false);
    m_bar->setGeometry(20, 36, 320, 14);
    m_counter = new QLabel(this);
    m_counter->setObjectName(QStringLiteral("counter"));
    m_counter->setFont(UiFonts::osaka(10));
    m_counter->setGeometry(20, 54, 320, 18);
    m_button = new QPushButton(QStringLiteral("中止"), this);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setGeometry(260, 76, 80, 24);
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_reported)
            close();
        else
            askToStop();
    });
}

void TransferProgressDialog::askToStop()
{
    if (m_stopAsked)
        return;
    m_stopAsked = true;
    // The song being copied finishes first; the run's report then says what went.
    emit stopPressed();
    m_message->setText(QStringLiteral("転送を中止しています..."));
    m_button->setEnabled(false);
}

void TransferProgressDialog::showReport(const QString &text)
{
    m_bar->setValue(0);
    m_counter->clear();
    m_message->setText(text);
    m_button->setText(QStringLiteral("OK"));
    m_button->setEnabled(true);
    m_button->setDefault(true);
    m_reported = true;
}

void TransferProgressDialog::closeAfterRun()
{
    m_runOver = true;
    close();
}

void TransferProgressDialog::closeEvent(QCloseEvent *event)
{
    if (!m_reported && !m_runOver) {
        // Closing while a run goes is "中止": without this window its report would be lost.
        event->ignore();
        askToStop();
        return;
    }
    emit closed();
    QWidget::closeEvent(event);
}
