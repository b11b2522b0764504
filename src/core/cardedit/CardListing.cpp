#include "core/cardedit/CardListing.h"

#include "core/card/CardLayout.h"
#include "core/platform/TextCodec.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/SourceRecord.h"

#include <algorithm>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

CardListing::CardListing(SongListModel *songs, SessionState &props, SourceRecord *sources, QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_props(props), m_sources(sources)
{
}

CardListing::CardListing(SongListModel *songs, SessionState &props, QObject *parent)
    : CardListing(songs, props, nullptr, parent)
{
}

QString CardListing::sourceLabel() { return u"転送先フォルダのリスト"_s; }

QString CardListing::dateCell(const QDateTime &time) { return time.toString(u"yyyyMMddHHmm"_s); }

QStringList CardListing::listedSongFiles() const
{
    QStringList names;
    names.reserve(m_listedSongs.size());
    for (const CardSong &song : m_listedSongs)
        names.append(song.fileName);
    return names;
}

void CardListing::listCard()
{
    const bool entering = !cardListingMode;
    if (entering)
        setSongListAside();
    if (m_sources)
        m_sources->setLabel(sourceLabel());
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
    bringSongListBack();
    emit modeChanged(false);
}

void CardListing::setSongListAside()
{
    SetAside kept;
    if (m_songs)
        kept.rows = m_songs->rows();
    if (m_sources) {
        kept.sourceRows = m_sources->rows();
        kept.sourceLabel = m_sources->label();
        kept.pickedSourceRow = m_sources->pickedRow;
    }
    kept.nextFileNumber = m_props.nextFileNumber;
    kept.checkedCount = m_props.checkedCount;
    kept.checkedSizeKB = m_props.checkedSizeKB;
    m_setAside = std::move(kept);
}

void CardListing::bringSongListBack()
{
    if (!m_setAside)
        return;
    SetAside kept = std::move(*m_setAside);
    m_setAside.reset();
    if (m_songs)
        m_songs->appendRows(kept.rows);
    if (m_sources) {
        // The record only grows at its ends around the empty row that a clear leaves, so
        // the rows are rebuilt the same way: later ones above that row, earlier below.
        const qsizetype blank = kept.sourceRows.indexOf(QString());
        m_sources->clear();
        if (blank >= 0) {
            for (qsizetype i = blank + 1; i < kept.sourceRows.size(); ++i)
                m_sources->appendSource(kept.sourceRows.at(i));
            for (qsizetype i = blank - 1; i >= 0; --i)
                m_sources->addSource(kept.sourceRows.at(i));
        }
        m_sources->pickedRow = kept.pickedSourceRow;
        m_sources->setLabel(kept.sourceLabel);
    }
    m_props.nextFileNumber = kept.nextFileNumber;
    m_props.checkedCount = kept.checkedCount;
    m_props.checkedSizeKB = kept.checkedSizeKB;
    emit totalsChanged();
}

CardFormat::MgrStatus CardListing::readManagementFile(const FileItem &folder, int m, QList<CardSong> &out)
{
    const CardFormat::MgrTitles titles = CardFormat::readTitles(folder.child(*CardFormat::mgrFileName(m)).posixPath());
    if (titles.status != CardFormat::MgrStatus::Ok)
        return titles.status;
    QByteArray path = folder.posixBytes() + "/SDS_0000.3G2";
    const qsizetype digits = path.size() - 8;
    for (int s = 0; s < CardFormat::kSlotCount; ++s) {
        if (titles.titles[s].isEmpty())
            continue;
        const int number = m * 100 + s;
        for (int i = 3, n = number; i >= 0; --i, n /= 10)
            path[digits + i] = char('0' + n % 10);
        // One status call per song: a card of thousands lists about as fast as its folder.
        struct stat st {};
        CardSong song;
        if (::stat(path.constData(), &st) == 0) {
            // A titled slot without its song file is left out rather than ending the
            // listing: the songs after it must stay visible and editable.
            if (S_ISDIR(st.st_mode))
                continue;
            song.modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000
                                                           + st.st_mtim.tv_nsec / 1000000);
            song.bytes = qint64(st.st_size);
        } else if (::lstat(path.constData(), &st) != 0) {
            continue; // gone; a dangling link is still listed, with no date and no size
        }
        song.fileName = *CardFormat::songFileName(number);
        song.title = ShiftJis::decode(titles.titles[s]);
        out.append(std::move(song));
    }
    return CardFormat::MgrStatus::Ok;
}

CardContents CardListing::readCard(const FileItem &folder)
{
    CardContents contents;
    if (folder.isNull() || !folder.isFolder()) {
        contents.complete = false;
        contents.unreadable = folder.posixPath();
        return contents;
    }
    for (int m = 0; m <= CardFormat::kMaxMgrNumber; ++m) {
        const QString name = *CardFormat::mgrFileName(m);
        if (!folder.child(name).exists())
            break;
        if (readManagementFile(folder, m, contents.songs) != CardFormat::MgrStatus::Ok) {
            contents.complete = false;
            contents.unreadable = name;
            return contents;
        }
    }
    sortToCardOrder(contents.songs);
    return contents;
}

void CardListing::sortToCardOrder(QList<CardSong> &songs)
{
    // The listing sorts its date cells; digits of one length sort as the times they spell,
    // and a song without a date (empty cell) goes last.
    QList<std::pair<QString, qsizetype>> keys;
    keys.reserve(songs.size());
    for (qsizetype i = 0; i < songs.size(); ++i)
        keys.append({dateCell(songs.at(i).modified), i});
    std::stable_sort(keys.begin(), keys.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<CardSong> sorted;
    sorted.reserve(songs.size());
    for (const auto &key : std::as_const(keys))
        sorted.append(std::move(songs[key.second]));
    songs = std::move(sorted);
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
    m_listedFolder = folder;
    m_listedSongs.clear();
    qint64 totalKB = 0;
    bool complete = !folder.isNull();
    for (int m = 0; complete && m <= CardFormat::kMaxMgrNumber; ++m) {
        if (!folder.child(*CardFormat::mgrFileName(m)).exists())
            break; // the management files end here
        const qsizetype first = m_listedSongs.size();
        if (readManagementFile(folder, m, m_listedSongs) != CardFormat::MgrStatus::Ok) {
            complete = false; // a file that cannot be read ends the listing where it is
            break;
        }
        QList<SongRow> found;
        found.reserve(m_listedSongs.size() - first);
        for (qsizetype i = first; i < m_listedSongs.size(); ++i) {
            const CardSong &song = m_listedSongs.at(i);
            SongRow row;
            row.cells[0] = QString::number(i + 1) + u' ';
            row.cells[1] = song.title;
            row.cells[2] = u' ' + song.fileName;
            row.cells[3] = dateCell(song.modified);
            // The same kilobytes of 1000 bytes as the song list and the capacity line, so
            // the figures for the same songs agree wherever they are shown.
            row.cells[4] = SongSize::formatKB(song.bytes);
            row.checked = true;
            totalKB += row.sizeKB();
            found.append(std::move(row));
        }
        m_songs->appendRows(found);
        m_props.checkedCount = int(m_listedSongs.size());
        m_props.checkedSizeKB = totalKB;
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
