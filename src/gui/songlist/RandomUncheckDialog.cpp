#include "gui/songlist/RandomUncheckDialog.h"

#include "core/platform/NumberText.h"
#include "gui/widgets/UiFonts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

using namespace Qt::StringLiterals;

RandomUncheckDialog::RandomUncheckDialog(int rowCount, QWidget *parent) : QDialog(parent), listRowCount(rowCount)
{
    setObjectName(u"RandomUncheckDialog"_s);
    setWindowTitle(u"ランダムにチェックを解除"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kSize);

    m_countLabel = new QLabel(QString::number(listRowCount) + u"曲中"_s, this);
    m_countLabel->setObjectName(u"countLabel"_s);
    m_countLabel->setFont(UiFonts::gothic(12));
    m_countLabel->setGeometry(7, 24, 67, 18);

    m_field = new QLineEdit(this);
    m_field->setObjectName(u"countField"_s);
    m_field->setFont(UiFonts::osaka(12));
    m_field->setGeometry(80, 23, 43, 22);

    m_up = new QToolButton(this);
    m_up->setObjectName(u"upArrow"_s);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setGeometry(128, 23, 13, 11);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(this);
    m_down->setObjectName(u"downArrow"_s);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setGeometry(128, 34, 13, 11);
    m_down->setAutoRepeat(true);

    auto *tail = new QLabel(u"曲のチェックを解除します"_s, this);
    tail->setFont(UiFonts::gothic(12));
    tail->setGeometry(149, 24, 136, 18);

    m_cancel = new QPushButton(u"キャンセル"_s, this);
    m_cancel->setObjectName(u"cancelButton"_s);
    m_cancel->setGeometry(122, 65, 73, 20);
    m_run = new QPushButton(u"実行"_s, this);
    m_run->setObjectName(u"runButton"_s);
    m_run->setGeometry(207, 65, 73, 20);
    m_run->setDefault(true);

    connect(m_field, &QLineEdit::textChanged, this, &RandomUncheckDialog::onTextChanged);
    connect(m_up, &QToolButton::clicked, this, &RandomUncheckDialog::arrowUp);
    connect(m_down, &QToolButton::clicked, this, &RandomUncheckDialog::arrowDown);
    connect(m_cancel, &QPushButton::clicked, this, &RandomUncheckDialog::close);
    connect(m_run, &QPushButton::clicked, this, &RandomUncheckDialog::execute);

    m_field->setText(QString::number(listRowCount / 5));
    m_field->selectAll();
    m_field->setFocus();
}

int RandomUncheckDialog::fieldNumber() const { return NumberText::readsAsInt(m_field->text()); }

void RandomUncheckDialog::onTextChanged()
{
    if (NumberText::readsAs(m_field->text()) > listRowCount)
        m_field->setText(QString::number(listRowCount - 1));
}

void RandomUncheckDialog::arrowUp()
{
    const double v = std::trunc(NumberText::readsAs(m_field->text()) + 1);
    if (v < listRowCount)
        m_field->setText(QString::number(qint64(v)));
    m_field->selectAll();
}

void RandomUncheckDialog::arrowDown()
{
    const double v = std::trunc(NumberText::readsAs(m_field->text()) - 1);
    if (v > 0)
        m_field->setText(QString::number(qint64(v)));
    m_field->selectAll();
}

void RandomUncheckDialog::execute()
{
    emit executeRequested(fieldNumber());
    close();
}
