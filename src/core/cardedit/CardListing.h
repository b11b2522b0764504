#pragma once

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"

#include <QPointer>

class SongListModel;
struct SessionState;

/// The card editor: lists the songs of the destination's management files in the song
/// list (card listing mode), newest first as the phone plays them. The listing is a
/// cooperative thread that yields after each management file; finished() tells when it is
/// done, and requestStop() ends it there, the rows read so far staying as read.
class CardListing final : public coop::Thread {
    Q_OBJECT
public:
    CardListing(SongListModel *songs, SessionState &props, QObject *parent = nullptr);

    /// True while the song list shows the card rather than songs to transfer.
    bool cardListingMode = false;

    /// Enters card listing mode (or lists the card again) and fills the song list from the
    /// destination's management files.
    void listCard();
    /// Leaves card listing mode: the song list's headings come back and it is emptied.
    /// Nothing when the mode is off.
    void returnToSongList();

    /// The date cell of a card row: YYYYMMDDhhmm.
    static QString dateCell(const QDateTime &time);

signals:
    /// The mode changed: the window keeps or restores its column widths and check boxes.
    void modeChanged(bool cardListing);
    /// The totals of the listed songs changed (count, and size in KB of 1024).
    void totalsChanged();

protected:
    coop::Task<> run() override;

private:
    QPointer<SongListModel> m_songs;
    SessionState &m_props;
};
