#include "gui/songlist/SongListView.h"

#include "gui/widgets/UiFonts.h"
#include "gui/songlist/SongListDelegate.h"
#include "core/songlist/SongListModel.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>

SongListView::SongListView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new SongListDelegate(this));
    setFont(UiFonts::gothic(11));
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->setMinimumSectionSize(16);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setFont(UiFonts::gothic(11));
    setSortingEnabled(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &SongListView::headingClicked);
    setStyleSheet(QStringLiteral("QTableView { background: white; selection-background-color: #3875d7; }"));
}

void SongListView::setSongModel(SongListModel *model)
{
    setModel(model);
    QStringList widths;
    for (int w : SongListModel::defaultColumnWidths())
        widths << QString::number(w);
    widths[SongRow::Size] = QString::number(std::max(SongListModel::defaultColumnWidths()[SongRow::Size], sizeColumnWidth()));
    setColumnWidthsText(widths.join(QLatin1Char(',')));
}

int SongListView::sizeColumnWidth() const
{
    // The largest size a song's cell shows, with the cell's margins.
    return fontMetrics().horizontalAdvance(QStringLiteral("9,999,999 KB ")) + 12;
}

void SongListView::hideHiddenColumns()
{
    for (int c : {5, 6}) {
        setColumnWidth(c, 0);
        setColumnHidden(c, true);
    }
}

QString SongListView::columnWidthsText() const
{
    QStringList out;
    for (int c = 0; c < 7; ++c)
        out << QString::number(isColumnHidden(c) ? 0 : columnWidth(c));
    return out.join(QLatin1Char(','));
}

void SongListView::setColumnWidthsText(const QString &widths)
{
    const QStringList parts = widths.split(QLatin1Char(','));
    for (int c = 0; c < parts.size() && c < 7; ++c)
        setColumnWidth(c, parts[c].trimmed().toInt());
    hideHiddenColumns();
}

void SongListView::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed();
    QTableView::mousePressEvent(event);
}

void SongListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() != this && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    QTableView::dragEnterEvent(event);
}

void SongListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->source() != this && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    QTableView::dragMoveEvent(event);
}

void SongListView::dropEvent(QDropEvent *event)
{
    if (event->source() != this && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        emit filesDropped(event->mimeData()->urls());
        return;
    }
    QTableView::dropEvent(event);
}
