#pragma once

#include "core/card/MgrFile.h"
#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"
#include "core/songlist/SongRow.h"

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <optional>

class SongListModel;
class SourceRecord;
struct SessionState;

/// One song of the card as a listing found it.
struct CardSong {
    QString fileName;  ///< SDS_nnnn.3G2
    QString title;     ///< decoded from the slot's Shift_JIS
    QDateTime modified;
    qint64 bytes = 0;
};

/// Everything a listing of a card folder found.
struct CardContents {
    /// In the card's order (the latest first) when `complete`, otherwise as read.
    QList<CardSong> songs;
    /// False when the folder or a management file could not be read; `unreadable` names it.
    bool complete = true;
    QString unreadable;
};

/// The card editor: lists the songs of the destination's management files in the song
/// list (card listing mode), newest first as the phone plays them. The listing is a
/// cooperative thread that yields after each management file; finished() tells when it is
/// done, and requestStop() ends it there, the rows read so far staying as read.
///
/// Entering the mode sets the song list aside (rows and checks, the source record, the
/// row numbering and the totals); leaving it brings them back, so looking at the card
/// costs the user nothing.
class CardListing final : public coop::Thread {
    Q_OBJECT
public:
    /// `sources` may be null: then the source record is neither set aside nor labelled.
    CardListing(SongListModel *songs, SessionState &props, SourceRecord *sources, QObject *parent = nullptr);
    CardListing(SongListModel *songs, SessionState &props, QObject *parent = nullptr);

    /// The source label while the card is listed.
    static QString sourceLabel();

    /// True while the song list shows the card rather than songs to transfer.
    bool cardListingMode = false;

    /// Enters card listing mode (or lists the card again) and fills the song list from the
    /// destination's management files. Entering sets the song list aside and labels the
    /// source record.
    void listCard();
    /// Leaves card listing mode: the song list's headings come back and the rows set aside
    /// on entering are restored. Nothing when the mode is off.
    void returnToSongList();

    /// The folder the last listing read, and its songs in reading order (management file by
    /// management file, slot by slot); a rewrite checks the card against them.
    const FileItem &listedFolder() const { return m_listedFolder; }
    const QList<CardSong> &listedSongs() const { return m_listedSongs; }
    QStringList listedSongFiles() const;

    /// The date cell of a card row: YYYYMMDDhhmm.
    static QString dateCell(const QDateTime &time);

    /// Appends the songs of management file m of `folder` to `out`, slot by slot: every
    /// titled slot whose song file is there. Not Ok when the file cannot be read.
    static CardFormat::MgrStatus readManagementFile(const FileItem &folder, int m, QList<CardSong> &out);
    /// The whole card at once, as a listing shows it, without a song list.
    static CardContents readCard(const FileItem &folder);
    /// Puts songs in the card's order: the latest date cell first, equal ones as they were.
    static void sortToCardOrder(QList<CardSong> &songs);

signals:
    /// The mode changed: the window keeps or restores its column widths and check boxes.
    void modeChanged(bool cardListing);
    /// The totals of the listed songs changed (count, and size in KB of 1000).
    void totalsChanged();

protected:
    coop::Task<> run() override;

private:
    struct SetAside {
        QList<SongRow> rows;
        QStringList sourceRows;
        QString sourceLabel;
        int pickedSourceRow = 0;
        int nextFileNumber = 1;
        int checkedCount = 0;
        qint64 checkedSizeKB = 0;
    };
    void setSongListAside();
    void bringSongListBack();

    QPointer<SongListModel> m_songs;
    SessionState &m_props;
    QPointer<SourceRecord> m_sources;
    std::optional<SetAside> m_setAside;
    FileItem m_listedFolder;
    QList<CardSong> m_listedSongs;
};
