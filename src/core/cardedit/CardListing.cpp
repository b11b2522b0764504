#include "core/cardedit/CardListing.h"

#include "core/card/CardLayout.h"
#include "core/card/MgrFile.h"
#include "core/platform/TextCodec.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"

#include <QFile>

using namespace Qt::StringLiterals;

CardListing::CardListing(SongListModel *songs, SessionState &props, QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_props(props)
{
}

QString CardListing::dateCell(const QDateTime &time) { return time.toString(u"yyyyMMddHHmm"_s); }

void CardListing::listCard()
{
    const bool entering = !cardListingMode;
    cardListingMode = true;
    if (entering)
        emit modeChanged(true);
    start();
}

void CardListing::returnToSongList()
{
    if (!cardListingMode)
        return;
    stop();
    cardListingMode = false;
    if (m_songs) {
        m_songs->setHeaderData(1, Qt::Horizontal, SongListModel::defaultHeading(1));
        m_songs->setHeaderData(2, Qt::Horizontal, SongListModel::defaultHeading(2));
        m_songs->setHeaderData(3, Qt::Horizontal, SongListModel::defaultHeading(3));
        m_songs->clear();
    }
    emit modeChanged(false);
}

coop::Task<> CardListing::run()
{
    if (!m_songs)
        co_return;
    m_songs->clear();
    m_songs->setHeaderData(1, Qt::Horizontal, u"タイトル"_s);
    m_songs->setHeaderData(2, Qt::Horizontal, u"ファイル名"_s);
    m_songs->setHeaderData(3, Qt::Horizontal, u"日付"_s);

    const FileItem folder = m_props.destinationFolder;
    qint64 totalBytes = 0;
    int rows = 0;
    bool complete = !folder.isNull();
    for (int m = 0; complete && m <= CardFormat::kMaxMgrNumber; ++m) {
        const FileItem mgr = folder.child(*CardFormat::mgrFileName(m));
        if (!mgr.exists())
            break; // the management files end here
        const CardFormat::MgrTitles titles = CardFormat::readTitles(mgr.posixPath());
        if (titles.status != CardFormat::MgrStatus::Ok) {
            complete = false; // a file that cannot be read ends the listing where it is
            break;
        }
        QList<SongRow> found;
        for (int s = 0; s < CardFormat::kSlotCount; ++s) {
            if (titles.titles[s].isEmpty())
                continue;
            const int number = m * 100 + s;
            const QString name = *CardFormat::songFileName(number);
            const FileItem song = folder.child(name);
            // A titled slot without its song file is left out rather than ending the
            // listing: the songs after it must stay visible and editable.
            if (!song.exists() || song.isFolder())
                continue;
            SongRow row;
            row.cells[0] = QString::number(rows + 1) + u' ';
            row.cells[1] = ShiftJis::decode(titles.titles[s]);
            row.cells[2] = u' ' + name;
            row.cells[3] = dateCell(song.modificationTime());
            row.cells[4] = SongSize::formatWholeKB(song.size() / 1024);
            row.checked = true;
            found.append(row);
            ++rows;
            totalBytes += song.size();
        }
        m_songs->appendRows(found);
        m_props.checkedCount = rows;
        m_props.checkedSizeKB = totalBytes / 1024;
        emit totalsChanged();
        co_await coop::yield();
        if (stopRequested()) {
            complete = false;
            break;
        }
    }
    if (complete)
        m_songs->sort(3, Qt::DescendingOrder); // the latest first: the card's order
}
