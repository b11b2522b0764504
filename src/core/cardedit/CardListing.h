#pragma once

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"

#include <QObject>
#include <QPointer>

class SongListModel;
struct SessionState;

/// The card editor: lists the songs of the destination's management files in the song
/// list (card listing mode), newest first as the phone plays them.
class CardListing final : public QObject {
    Q_OBJECT
public:
    CardListing(SongListModel *songs, SessionState &props, QObject *parent = nullptr);
    ~CardListing() override;

    /// True while the song list shows the card rather than songs to transfer.
    bool cardListingMode = false;

    /// Enters card listing mode (or lists the card again) from the main window's folder.
    void listCard();
    /// Fills the song list from the destination's management files, yielding after each
    /// file; `listed` tells when it is done.
    void showCardList();
    /// Leaves card listing mode: the song list's headings come back and it is emptied.
    /// Nothing when the mode is off.
    void returnToSongList();
    bool isListing() const;

    /// The date cell of a card row: YYYYMMDDhhmm.
    static QString dateCell(const QDateTime &time);

signals:
    /// The mode changed: the window keeps or restores its column widths and check boxes.
    void modeChanged(bool cardListing);
    /// The totals of the listed songs changed (count, and size in KB of 1024).
    void totalsChanged();
    /// The listing ended (also when it stopped at a file it could not read).
    void listed();

private:
    class Lister;
    friend class Lister;
    coop::Task<> list();

    QPointer<SongListModel> m_songs;
    SessionState &m_props;
    Lister *m_lister;
};
