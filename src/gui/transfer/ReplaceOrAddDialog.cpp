#include "gui/transfer/ReplaceOrAddDialog.h"

#include "gui/widgets/UiFonts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

ReplaceOrAddDialog::ReplaceOrAddDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReplaceOrAddDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Songkite"));
    setModal(true);
    setFixedSize(400, 130);

    m_text = new QLabel(QStringLiteral("曲を転送します。\n全入替を押すと現在転送先フォルダ内に有るファイルをすべて削除してから転送します。"), this);
    m_text->setObjectName(QStringLiteral("message"));
    m_text->setWordWrap(true);
    m_text->setFont(UiFonts::gothic(12));
    m_text->setGeometry(20, 14, 360, 60);

    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setGeometry(20, 96, 16, 16);
    m_busy->hide();

    const QString captions[3] = {QStringLiteral("キャンセル"), QStringLiteral("全入替"), QStringLiteral("追加")};
    // Left to right: キャンセル, 追加, 全入替.
    const int lefts[3] = {140, 300, 220};
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = new QPushButton(captions[i], this);
        m_buttons[i]->setObjectName(QStringLiteral("button%1").arg(i));
        m_buttons[i]->setGeometry(lefts[i], 92, 76, 24);
        m_buttons[i]->setAutoDefault(false);
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { press(i); });
    }
    // Enter must not empty the card: the harmless answer is the default, as in every
    // destructive question.
    m_buttons[Cancel]->setDefault(true);
}

QPushButton *ReplaceOrAddDialog::button(int index) const { return index >= 0 && index < 3 ? m_buttons[index] : nullptr; }

void ReplaceOrAddDialog::setDeleting(bool deleting)
{
    m_text->setEnabled(!deleting);
    m_buttons[Cancel]->setEnabled(!deleting);
    m_buttons[ReplaceAll]->setEnabled(!deleting);
    if (deleting)
        m_buttons[Add]->setEnabled(false);
}

void ReplaceOrAddDialog::press(int index)
{
    if (m_done)
        return;
    m_done = true;
    if (index == ReplaceAll) {
        m_busy->show();
        m_text->setText(QStringLiteral("\n既存ファイルを削除しています..."));
    }
    emit chosen(index);
    close();
}

void ReplaceOrAddDialog::reject()
{
    // Escape or the close box: the same as "キャンセル". Closing after a button lands here too.
    if (!m_done) {
        press(Cancel);
        return;
    }
    QDialog::reject();
}

void ReplaceOrAddDialog::closeEvent(QCloseEvent *event)
{
    emit closed();
    QDialog::closeEvent(event);
}
