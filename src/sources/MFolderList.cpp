#include "sources/MFolderList.h"

#include "platform/UiFonts.h"
#include "sources/SourceRecord.h"

#include <QFrame>

using namespace Qt::StringLiterals;

mFolderList::mFolderList(SourceRecord *record, QWidget *parent)
    : QListWidget(parent), m_record(record), m_shadow(new QFrame(parent))
{
    setObjectName(u"mFolderList"_s);
    setFont(UiFonts::osaka(10));
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_shadow->setObjectName(u"popupShadow"_s);
    m_shadow->setStyleSheet(u"#popupShadow { background: rgba(0, 0, 0, 90); }"_s);
    m_shadow->QWidget::hide();
    QListWidget::hide();
    reload();
    connect(m_record, &SourceRecord::rowsChanged, this, &mFolderList::reload);
    connect(m_record, &SourceRecord::opened, this, &mFolderList::showOpened);
    connect(m_record, &SourceRecord::HideMe, this, &mFolderList::hideNow);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling)
            m_record->rowChanged(row);
    });
}

void mFolderList::openAt(const QRect &sourceBox)
{
    m_box = sourceBox;
    m_record->open();
}

void mFolderList::hide() { m_record->hide(); }

void mFolderList::reload()
{
    m_filling = true;
    clear();
    addItems(m_record->rows());
    setCurrentRow(m_record->currentRow());
    m_filling = false;
}

void mFolderList::showOpened(int row)
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

void mFolderList::hideNow()
{
    QListWidget::hide();
    m_shadow->QWidget::hide();
}
