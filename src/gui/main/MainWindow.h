#pragma once

#include "core/prefs/Preferences.h"
#include "core/songlist/SessionState.h"
#include "gui/songlist/RandomUncheckDialog.h"
#include "gui/songlist/SongInfoWindow.h"
#include "gui/sources/SongListDialog.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <functional>

class CheckCommands;
class Destination;
class TransferController;
class CardListing;
class TransferJob;
class FolderScan;
class MenuBar;
class SourceRecord;
class ListProgressWindow;
class SourcePopup;
class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class SongListModel;
class SongListView;
class CompactWindow;
class ListFolderJob;
class SongListDialog;
class CardRewrite;
class DeleteConfirmation;
class Renumbering;

/// The main window: the song list, the source controls, the status area with the
/// destination and the transfer button, and the timers. It lives until the program quits;
/// closing it writes the preferences and quits. It holds the widgets and one object per
/// subsystem; the work is done by those objects.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    /// Creating the window runs its open sequence. `compact` is the compact window that the
    /// preferences place and the activation shows.
    MainWindow(MenuBar *menuBar, CompactWindow *compact, QWidget *parent = nullptr);
    ~MainWindow() override;

    static constexpr QSize kDesignedSize{277, 294};
    static constexpr QSize kMinimumSize = preference::kMainWindowMinimumSize;
    static constexpr QSize kMaximumSize = preference::kMainWindowMaximumSize;
    /// The content's height at the first start, when no preferences say otherwise.
    static constexpr int kFirstStartHeight = 420;

    SongListModel *songList() const { return m_songs; }
    SongListView *songListView() const { return m_list; }
    Renumbering *renumbering() const { return m_renumbering; }
    SessionState &props() { return m_props; }
    /// The check and selection commands with the checked totals.
    CheckCommands *checkCommands() const { return m_checks; }
    /// The hidden second list the song-list loader fills before the rows move over.
    SongListView *loadingList() const { return m_loadingList; }
    SongListModel *loadingSongs() const { return m_loadingSongs; }
    /// The window's background, parent of every control (the source popup goes here).
    QWidget *contentArea() const { return m_content; }
    /// The record of song sources (the source label shows its label), the folder scan,
    /// the source popup and the destination.
    SourceRecord *sourceRecord() const { return m_sources; }
    FolderScan *folderScan() const { return m_scan; }
    SourcePopup *sourcePopup() const { return m_popup; }
    Destination *destination() const { return m_destination; }
    /// The list progress window while it is shown.
    ListProgressWindow *progressWindow() const;

    /// The place and size the preferences keep: the top left of the window's frame (where
    /// move() puts it), and the size of its content below the menu bar. Saving one and
    /// restoring it puts the window back where it was.
    QRect contentGeometry() const;
    void setContentGeometry(const QRect &r);

    // Controls the other subsystems drive.
    QLabel *sourceLabel() const { return m_sourceLabel; }
    QLabel *statusLine() const { return m_statusLine; }
    QLabel *destinationLabel() const { return m_destinationLabel; }
    QLabel *capacityLabel() const { return m_capacityLabel; }
    QPushButton *transferButton() const { return m_transferButton; }
    QCheckBox *cardCheckBox() const { return m_cardBox; }
    QFrame *sourceBox() const { return m_sourceBox; }
    QCheckBox *addCheckBox() const { return m_addBox; }
    QProgressBar *busyIndicator() const { return m_busy; }
    QPushButton *selectButton() const { return m_selectButton; }
    QPushButton *shuffleButton() const { return m_shuffleButton; }
    QLabel *shuffleIndicator() const { return m_shuffleIndicator; }
    /// The random uncheck dialog while it is open.
    RandomUncheckDialog *randomUncheckDialog() const { return m_randomUncheck; }
    QTimer *repeatingTimer() const { return m_repeatTimer; }
    QTimer *oneShotTimer() const { return m_oneShotTimer; }

    /// The card editor; its `cardListingMode` is true while the list shows the card.
    CardListing *cardListing() const { return m_cardListing; }
    bool cardListingMode() const;
    /// Writes the song list as an own list of that name in the list folder; the default
    /// list when the name is empty.
    void saveSongList(const QString &name);
    /// Opens the song-list dialog for opening (false) or saving (true) lists, or brings the
    /// open one to the front.
    void openSongListDialog(bool save);
    SongListDialog *songListDialog() const { return m_songListDialog; }
    /// The song information window for a row of the list, in either view.
    void openSongInfo(int row);
    SongInfoWindow *songInfoWindow() const { return m_songInfo; }
    CardRewrite *cardRewrite() const { return m_cardRewrite; }
    /// The job that picks up automatic lists at each tick of the repeating timer.
    ListFolderJob *autoListJob() const { return m_autoLists; }
    /// Lists the destination's songs in the song list (card listing mode).
    void listCard();

    /// The handler of a menu command, run before the application's; false when the command
    /// is not handled here.
    bool handleCommand(const QString &id);
    /// Adds a command handler; later ones replace earlier ones of the same identifier.
    void registerCommand(const QString &id, std::function<void()> handler);
    /// The window's enable rules, run each time the menus are updated with it in front.
    void enableMenuItems(MenuBar &bar) const;

    /// The heading-click handler: how the list sorts and renumbers.
    void sortRequest(int column);

    /// The rows selected in the list, top to bottom.
    QList<int> selectedRows() const;

    // The list operations other parts call.
    void recountTotals();
    void shuffleList();
    void clearList();
    /// The shuffle as the button and `startShuffle` start it: indicator green, then the work
    /// after the one-shot timer.
    void startShuffle();
    /// Asks, then clears the list.
    void askClearList();
    /// Opens the random uncheck dialog.
    void openRandomUncheck();

    // The song sources.
    void chooseMusicFolder();
    void scanMusicFolder(const FileItem &folder);
    void addSongFile(const FileItem &file);
    // The transfer.
    TransferController *transfer() const { return m_transfer; }
    TransferJob *transferJob() const;
    void startTransfer();
    void runTransfer();
    // The destination.
    void measureDestination();
    qint64 folderSize(const FileItem &folder) const;
    void showCapacity();

    /// Writes the preferences from the globals and this window's state.
    void savePreferences();

signals:
    /// The window closed: the program ends.
    void quitRequested();
    /// The source box was clicked: the source popup opens.
    void sourceBoxClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void openSequence();
    void readPreferences();
    void checkCardFolder();
    void registerListCommands();
    void buildSources();
    void buildDestination();
    void buildTransfer();
    void buildCardListing();
    /// The card edits: asks before deleting, then rewrites the card and lists it again.
    void applyCardEdits();
    void startCardRewrite(DeleteConfirmation *confirmation);
    /// The first start's size: wide enough that no status text is cut.
    void fitFirstStart();
    /// The status line back to the checked totals (after a transfer's outcome).
    void showTotals();
    void buildSongLists();
    /// Reads lists of the list folder into the song list (the dialog's "開く" and "全て").
    void startReadingLists(const QStringList &fileNames, bool every, bool replace);
    void startDefaultListLoader();
    void startListFolderJob();
    void selectButtonAction();
    void showProgress(bool busy);
    void applyOpeningLayout();
    void followResize(bool atOpen = false);
    int menuBarHeight() const;
    void onRepeatingTimer();
    void hideSourcePopup();
    void setShuffleIndicator(bool pending);
    /// The room a shuffle fills, in KB.
    qint64 shuffleRoom();

    struct Follow {
        QWidget *widget;
        QRect designed;
        bool left, top, right, bottom;
    };

    MenuBar *m_menuBar;
    CompactWindow *m_compact;
    SongListModel *m_songs;
    Renumbering *m_renumbering;
    SessionState m_props;
    CheckCommands *m_checks;
    QPointer<RandomUncheckDialog> m_randomUncheck;
    SourceRecord *m_sources = nullptr;
    FolderScan *m_scan = nullptr;
    SourcePopup *m_popup = nullptr;
    QPointer<ListProgressWindow> m_listProgress;
    QPointer<SongListDialog> m_songListDialog;
    QPointer<SongInfoWindow> m_songInfo;
    CardRewrite *m_cardRewrite = nullptr;
    ListFolderJob *m_autoLists = nullptr;
    Destination *m_destination = nullptr;
    TransferController *m_transfer = nullptr;
    CardListing *m_cardListing = nullptr;
    QHash<QString, std::function<void()>> m_commands;
    QList<Follow> m_follows;
    bool m_firstStart = false;
    int m_lastSortColumn = -1;
    Qt::SortOrder m_lastSortOrder = Qt::AscendingOrder;

    QWidget *m_content = nullptr;
    QPushButton *m_selectButton = nullptr;
    QFrame *m_sourceRound = nullptr;
    QFrame *m_sourceBox = nullptr;
    QLabel *m_sourceLabel = nullptr;
    QPushButton *m_shuffleButton = nullptr;
    QLabel *m_shuffleIndicator = nullptr;
    QFrame *m_listFrame = nullptr;
    SongListView *m_list = nullptr;
    SongListModel *m_loadingSongs = nullptr;
    SongListView *m_loadingList = nullptr;
    QFrame *m_edgeDark = nullptr;
    QFrame *m_edgeGrey = nullptr;
    QFrame *m_statusArea = nullptr;
    QLabel *m_statusLine = nullptr;
    QLabel *m_destinationLabel = nullptr;
    QLabel *m_capacityLabel = nullptr;
    QProgressBar *m_busy = nullptr;
    QPushButton *m_transferButton = nullptr;
    QCheckBox *m_cardBox = nullptr;
    QCheckBox *m_addBox = nullptr;
    QTimer *m_repeatTimer = nullptr;
    QTimer *m_oneShotTimer = nullptr;
};
