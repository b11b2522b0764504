#include "gui/sources/SourcePopup.h"

#include "gui/widgets/UiFonts.h"
#include "core/sources/SourceRecord.h"

#include <QFrame>

using namespace Qt::StringLiterals;

SourcePopup::SourcePopup(SourceRecord *record, QWidget *parent)
    : QListWidget(parent), m_record(record), m_shadow(new QFrame(parent))
{
    setObjectName(u"SourcePopup"_s);
    setFont(UiFonts::osaka(10));
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_shadow->setObjectName(u"popupShadow"_s);
    m_shadow->setStyleSheet(u"#popupShadow { background: rgba(0, 0, 0, 90); }"_s);
    m_shadow->QWidget::hide();
    QListWidget::hide();
    reload();
    connect(m_record, &SourceRecord::rowsChanged, this, &SourcePopup::reload);
    connect(m_record, &SourceRecord::opened, this, &SourcePopup::showOpened);
    connect(m_record, &SourceRecord::hideRequested, this, &SourcePopup::hideNow);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling)
            m_record->rowChanged(row);
    });
}

void SourcePopup::openAt(const QRect &sourceBox)
{
    m_box = sourceBox;
    m_record->open();
}

void SourcePopup::hide() { m_record->hide(); }

void SourcePopup::reload()
{
    m_filling = true;
    clear();
    addItems(m_record->rows());
    setCurrentRow(m_record->currentRow());
    m_filling = false;
}

void SourcePopup::showOpened(int row)
{
    const QRect popup = SourceRecord::popupGeometry(m_box);
    setGeometry(popup);
    m_shadow->setGeometry(SourceRecord::shadowGeometry(popup));
    m_shadow->show();
    m_shadow->raise();
    show();
    raise();
    // The record treats the opening's selection itself; the list only shows it.
    m_filling = true;
    setCurrentRow(row);
    m_filling = false;
}

void SourcePopup::hideNow()
{
    QListWidget::hide();
    m_shadow->QWidget::hide();
}
