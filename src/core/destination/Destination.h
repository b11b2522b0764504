#pragma once

#include "core/destination/CardFolder.h"
#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"

#include <QObject>
#include <QPointer>

struct SessionState;
class LibraryBridge;
class CardSearch;

/// The destination of transfers: finds the card folder, switches between it and a folder
/// the user chooses, measures the room a transfer may use and says so in the destination
/// and capacity labels. It holds the labels' texts and the miniSD check box's state; the
/// window shows them (signals below) and hands the user's clicks back.
class Destination final : public QObject {
    Q_OBJECT
public:
    explicit Destination(SessionState *props, QObject *parent = nullptr);
    ~Destination() override;

    static constexpr char16_t kCardPrefix[] = u"転送可能領域  ";
    static constexpr char16_t kChosenPrefix[] = u"利用転送可能領域 > ";

    /// The bridge asked for the disk figures (the program's own by default).
    void setBridge(LibraryBridge *bridge) { m_bridge = bridge; }

    /// Asks `volume-info` about the card's volume and sets diskFreeSpace, diskCapacity and
    /// (never clearing it) diskEjectable.
    void measureDestination();
    /// Total size of the items directly in a folder, in kilobytes of 1000 bytes, the
    /// running total truncated after each addition; -1 when the item is not a folder.
    static qint64 folderSize(const FileItem &folder);
    /// Shows the card folder and its room in the labels, when the card folder is known and
    /// is the destination; a chosen destination keeps its label, its figures refreshed.
    void showCapacity();
    /// The capacity text for existing size E and free space D (both in thousandths of a
    /// megabyte).
    static QString capacityText(const QString &prefix, qint64 existing, qint64 free);
    /// A number of thousandths as "###,##0.00" (x / 1000, rounded half up).
    static QString formatThousandths(qint64 value);

    /// Card detection: makes the card folder `volume + folderPath` the destination when it
    /// exists, else says in the destination label what is missing. The search thread uses
    /// the fixed card path; the open sequence uses the one in the preferences.
    void searchCard(const QString &folderPath = QString::fromUtf16(CardFolder::kDefaultFolderPath));
    /// Starts the card search thread (a running search starts over).
    void startCardSearch();
    /// The main window's repeating timer: with the box on, the card search thread; with the
    /// box off only because the card was missing (see awaitingCard()), the open sequence's
    /// search, which takes a card put back in and ticks the box.
    void searchOnTimer();
    CardSearch *searchThread() const { return m_search; }

    /// The miniSD check box's action, for the box turned on or off.
    void cardBoxClicked(bool on);
    /// The menu command chooseDestination: asks for a destination folder.
    void chooseDestinationFolder();
    /// Where the destination chooser opens: the folder last chosen in a destination chooser
    /// this session, else the card folder, else the application's folder (the first that
    /// exists).
    QString chooserStartFolder() const;

    /// The room the shuffle fills, in kilobytes: refreshes the disk figures and the labels,
    /// measures the destination folder into destinationSizeKB and gives
    /// destinationSizeKB + diskFreeSpace - keepFreeMB x 1000; 0 without a destination folder.
    qint64 shuffleRoom(int keepFreeMB);
    /// The same with the preferences' space to keep.
    qint64 shuffleRoom();

    // What the window shows.
    const QString &destinationText() const { return m_destinationText; }
    const QString &capacityText() const { return m_capacityText; }
    bool capacityVisible() const { return m_capacityVisible; }
    bool cardChecked() const { return m_cardChecked; }
    /// Sets the check box as the program does: a change runs the box's action.
    void setCardChecked(bool on);

signals:
    void destinationTextChanged(const QString &text);
    void capacityTextChanged(const QString &text);
    void capacityVisibleChanged(bool visible);
    /// The program (not the user) changed the check box.
    void cardCheckedChanged(bool on);

private:
    void setDestinationText(const QString &text);
    void setCapacityText(const QString &text);
    void setCapacityVisible(bool visible);
    void chooseFolder();
    FileItem cardFolder(const QString &folderPath) const;
    QString pathText(const FileItem &folder) const;

    SessionState *m_props;
    LibraryBridge *m_bridge = nullptr;
    CardSearch *m_search;
    QString m_destinationText;
    QString m_capacityText;
    bool m_capacityVisible = true;
    bool m_cardChecked = false;
    bool m_awaitingCard = true; // the box is off, but not by the user
};

/// The card search thread, started by the main window's timer while the miniSD box is on.
class CardSearch final : public coop::Thread {
    Q_OBJECT
public:
    explicit CardSearch(Destination *destination);

protected:
    coop::Task<> run() override;

private:
    QPointer<Destination> m_destination;
};
