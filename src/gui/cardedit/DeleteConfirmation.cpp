#include "gui/cardedit/DeleteConfirmation.h"

#include "gui/widgets/BusyIndicator.h"
#include "gui/widgets/UiFonts.h"

#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

DeleteConfirmation::DeleteConfirmation(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"DeleteConfirmation"_s);
    setWindowTitle(u"Songkite"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kSize);

    m_text = new QLabel(u"チェックボックスのチェックを外した曲を削除\nしますか？"_s, this);
    m_text->setObjectName(u"message"_s);
    m_text->setFont(UiFonts::gothic(12));
    m_text->setGeometry(20, 14, 300, 44);

    m_busy = new BusyIndicator(this);
    m_busy->setObjectName(u"busyIndicator"_s);
    m_busy->setGeometry(20, 80, 16, 16);
    m_busy->hide();

    m_cancel = new QPushButton(u"キャンセル"_s, this);
    m_cancel->setObjectName(u"cancelButton"_s);
    m_cancel->setGeometry(150, 76, 80, 24);
    m_delete = new QPushButton(u"削除"_s, this);
    m_delete->setObjectName(u"deleteButton"_s);
    m_delete->setGeometry(242, 76, 80, 24);
    // Deleting is not undone: the default answer keeps the songs.
    m_cancel->setDefault(true);
    m_delete->setAutoDefault(false);

    connect(m_cancel, &QPushButton::clicked, this, &DeleteConfirmation::reject);
    connect(m_delete, &QPushButton::clicked, this, &DeleteConfirmation::confirm);
}

void DeleteConfirmation::confirm()
{
    if (m_working)
        return;
    m_working = true;
    m_text->setText(u"転送先フォルダの更新中..."_s);
    m_busy->show();
    m_cancel->setEnabled(false);
    m_delete->setEnabled(false);
    repaint();
    emit deleteConfirmed();
}

void DeleteConfirmation::finish()
{
    m_working = false;
    close();
}

void DeleteConfirmation::reject()
{
    // While the card is being updated only the window closes it.
    if (!m_working)
        QDialog::reject();
}
