#pragma once

#include "songlist/MainProperties.h"
#include "songlist/Window13.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <functional>

class CheckCommands;
class Destination;
class TransferControl;
class editLibFile;
class makeLibFile;
class FolderScan;
class MenuBar1;
class SourceRecord;
class Window2;
class mFolderList;
class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class SongListModel;
class SongListView;
class Window9;
class reIndexNum;

/// The main window: the song list, the source controls, the status area with the
/// destination and the transfer button, and the timers. It lives until the program quits;
/// closing it writes the preferences and quits. It holds the widgets and one object per
/// subsystem; the work is done by those objects.
class Window1 final : public QMainWindow {
    Q_OBJECT
public:
    /// Creating the window runs its open sequence. `compact` is the compact window that the
    /// preferences place and the activation shows.
    Window1(MenuBar1 *menuBar, Window9 *compact, QWidget *parent = nullptr);
    ~Window1() override;

    static constexpr QSize kDesignedSize{277, 294};
    static constexpr QSize kMinimumSize{276, 287};
    static constexpr QSize kMaximumSize{950, 850};

    SongListModel *songList() const { return m_songs; }
    SongListView *listBox() const { return m_list; }
    reIndexNum *reIndexNum1() const { return m_reIndex; }
    MainProperties &props() { return m_props; }
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
    mFolderList *sourcePopup() const { return m_popup; }
    Destination *destination() const { return m_destination; }
    /// The list progress window while it is shown.
    Window2 *progressWindow() const;

    /// The place and size the preferences keep: the window's left and top, and the size of
    /// its content below the menu bar.
    QRect contentGeometry() const;
    void setContentGeometry(const QRect &r);

    // Controls the other subsystems drive.
    QLabel *sourceLabel() const { return m_sourceLabel; }
    QLabel *statusLine() const { return m_statusLine; }
    QLabel *destinationLabel() const { return m_destinationLabel; }
    QLabel *capacityLabel() const { return m_capacityLabel; }
    QPushButton *transferButton() const { return m_transferButton; }
    QCheckBox *miniSDCheckBox() const { return m_miniSDBox; }
    QFrame *sourceBox() const { return m_sourceBox; }
    QCheckBox *addCheckBox() const { return m_addBox; }
    QProgressBar *busyIndicator() const { return m_busy; }
    QPushButton *selectButton() const { return m_selectButton; }
    QPushButton *shuffleButton() const { return m_shuffleButton; }
    QLabel *shuffleIndicator() const { return m_shuffleIndicator; }
    /// The random uncheck dialog while it is open.
    Window13 *randomUncheckDialog() const { return m_window13; }
    QTimer *repeatingTimer() const { return m_repeatTimer; }
    QTimer *oneShotTimer() const { return m_oneShotTimer; }

    /// The card editor; its `showMiniSDMode` is true while the list shows the card.
    editLibFile *editLibFile1() const { return m_editor; }
    bool showMiniSDMode() const;
    /// Writes the song list as an own list of that name in the list folder; the default
    /// list when the name is empty.
    void saveMusicList(const QString &name);
    /// Lists the destination's songs in the song list (card listing mode).
    void openminiSD_Action();

    /// The handler of a menu command, run before the application's; false when the command
    /// is not handled here.
    bool handleCommand(const QString &id);
    /// Adds a command handler; later ones replace earlier ones of the same identifier.
    void registerCommand(const QString &id, std::function<void()> handler);
    /// The window's enable rules, run each time the menus are updated with it in front.
    void enableMenuItems(MenuBar1 &bar) const;

    /// The heading-click handler: how the list sorts and renumbers.
    void sortRequest(int column);

    /// The rows selected in the list, top to bottom.
    QList<int> selectedRows() const;

    // The list operations other parts call.
    void countEnableFile();
    void listShuffle();
    void listAllClear();
    /// The shuffle as the button and `randomsort` start it: indicator green, then the work
    /// after the one-shot timer.
    void randomsort();
    /// Asks, then clears the list.
    void EditClear();
    /// Opens the random uncheck dialog.
    void randomDelete();

    // The song sources.
    void selMusicFolder();
    void selectMusicFolder(const FileItem &folder);
    void selectMfile(const FileItem &file);
    // The transfer.
    TransferControl *transfer() const { return m_transfer; }
    makeLibFile *makeLibFile1() const;
    void doSendMusicFiles();
    void doMFilecopy();
    // The destination.
    void getDiskInfo();
    qint64 getFolderSize(const FileItem &folder) const;
    void showDiskInfo();

    /// Writes the preferences from the globals and this window's state.
    void savePrefs();

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
    void readPrefs();
    void checkCardFolder();
    void registerListCommands();
    void buildSources();
    void buildDestination();
    void buildTransfer();
    void buildEditor();
    void startDefaultListLoader();
    void startListFolderJob();
    void selectButtonAction();
    void showProgress(bool busy);
    void windowSetting();
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

    MenuBar1 *m_menuBar;
    Window9 *m_compact;
    SongListModel *m_songs;
    reIndexNum *m_reIndex;
    MainProperties m_props;
    CheckCommands *m_checks;
    QPointer<Window13> m_window13;
    SourceRecord *m_sources = nullptr;
    FolderScan *m_scan = nullptr;
    mFolderList *m_popup = nullptr;
    QPointer<Window2> m_window2;
    Destination *m_destination = nullptr;
    TransferControl *m_transfer = nullptr;
    editLibFile *m_editor = nullptr;
    QHash<QString, std::function<void()>> m_commands;
    QList<Follow> m_follows;
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
    QCheckBox *m_miniSDBox = nullptr;
    QCheckBox *m_addBox = nullptr;
    QTimer *m_repeatTimer = nullptr;
    QTimer *m_oneShotTimer = nullptr;
};
