#include "gui/main/MainWindow.h"

#include "gui/main/MenuBar.h"
#include "core/destination/Destination.h"
#include "core/sources/FolderScan.h"
#include "core/platform/AppPaths.h"
#include "core/platform/Prompts.h"
#include "gui/widgets/UiFonts.h"
#include "core/prefs/Preferences.h"
#include "gui/widgets/BusyIndicator.h"
#include "core/songlist/CheckCommands.h"
#include "gui/main/MainLayout.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/songlist/RandomUncheckDialog.h"
#include "gui/sources/SourcePopup.h"
#include "core/sources/SourceRecord.h"
#include "gui/compact/CompactWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

const QString kDestinationHelp = QStringLiteral("選択した曲ファイルを転送する先のフォルダパス");
const QString kStatusHelp =
    QStringLiteral("曲リストでチェックボタンをチェックした曲数とファイルサイズ（1 MB = 1,000,000 バイト）");
const QString kKeptSpaceHelp = QStringLiteral("* 環境設定で転送先に空き容量を残す設定になっています");

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QFont &font)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    return l;
}

QString helpLines(std::initializer_list<const char16_t *> pieces)
{
    QStringList lines;
    for (const char16_t *p : pieces)
        lines << QString::fromUtf16(p);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

MainWindow::MainWindow(MenuBar *menuBar, CompactWindow *compact, QWidget *parent)
    : QMainWindow(parent), m_menuBar(menuBar), m_compact(compact), m_songs(new SongListModel(this)),
      m_renumbering(new Renumbering(m_songs, this)), m_checks(new CheckCommands(m_songs, m_renumbering, m_props, this))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Songkite"));
    setMenuBar(menuBar->createMenuBar(this));
    buildControls();
    registerListCommands();
    buildSources();
    buildDestination();
    buildTransfer();
    buildCardListing();
    buildSongLists();
    openSequence();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("content"));
    m_content->setAutoFillBackground(true);
    QPalette pal = m_content->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(pal);
    m_content->installEventFilter(this);
    setCentralWidget(m_content);
    m_content->setMinimumSize(kMinimumSize);
    m_content->setMaximumSize(kMaximumSize);
    resize(kDesignedSize.width(), kDesignedSize.height() + menuBarHeight());

    auto follow = [this](QWidget *w, QRect r, bool l, bool t, bool rt, bool b) {
        w->setGeometry(r);
        m_follows.append({w, r, l, t, rt, b});
    };

    m_selectButton = new QPushButton(QStringLiteral("♫."), m_content);
    m_selectButton->setObjectName(QStringLiteral("selectButton"));
    m_selectButton->setFont(UiFonts::osaka(14));
    m_selectButton->setStyleSheet(QStringLiteral("color: rgb(51, 51, 51);"));
    m_selectButton->setToolTip(QStringLiteral("転送したい曲のフォルダやリストを選択します"));
    follow(m_selectButton, {14, 8, 55, 22}, true, true, false, false);

    // The source box: a framed box on a rounded rectangle, the source's name inside.
    const QRect box{90, 7, 115, 25};
    m_sourceRound = new QFrame(m_content);
    m_sourceRound->setObjectName(QStringLiteral("sourceRound"));
    m_sourceRound->setStyleSheet(QStringLiteral("#sourceRound { background: rgb(214, 219, 191); border-radius: 7px; }"));
    follow(m_sourceRound, MainLayout::sourceRoundRect(box), true, true, true, false);
    m_sourceBox = new QFrame(m_content);
    m_sourceBox->setObjectName(QStringLiteral("sourceBox"));
    m_sourceBox->setStyleSheet(QStringLiteral(
        "#sourceBox { background: transparent; border: 1px solid rgb(160, 166, 138); border-radius: 6px; }"));
    const QString sourceHelp = helpLines({u"選択した曲フォルダです。クリックすると", u"フォルダに該当するファイルをピックアッ", u"プします"});
    m_sourceBox->setToolTip(sourceHelp);
    m_sourceBox->installEventFilter(this);
    follow(m_sourceBox, box, true, true, true, false);
    m_sourceLabel = makeLabel(m_content, QStringLiteral("sourceLabel"), QString(), UiFonts::gothic(10));
    m_sourceLabel->setToolTip(sourceHelp);
    m_sourceLabel->installEventFilter(this);
    follow(m_sourceLabel, MainLayout::sourceLabelIn(box), true, true, true, false);

    m_shuffleButton = new QPushButton(QStringLiteral("♻"), m_content);
    m_shuffleButton->setObjectName(QStringLiteral("shuffleButton"));
    m_shuffleButton->setFont(UiFonts::osaka(14));
    m_shuffleButton->setToolTip(QStringLiteral("曲リストをシャッフル"));
    follow(m_shuffleButton, {226, 8, 39, 22}, false, true, true, false);
    m_shuffleIndicator = makeLabel(m_shuffleButton, QStringLiteral("shuffleIndicator"), QStringLiteral("・"),
                                   UiFonts::osaka(14));
    m_shuffleIndicator->setGeometry(0, 0, 14, 22);
    m_shuffleIndicator->setAlignment(Qt::AlignCenter);
    m_shuffleIndicator->setAttribute(Qt::WA_TransparentForMouseEvents);
    setShuffleIndicator(false);
    connect(m_shuffleButton, &QPushButton::clicked, this, &MainWindow::startShuffle);

    m_listFrame = new QFrame(m_content);
    m_listFrame->setObjectName(QStringLiteral("listFrame"));
    m_listFrame->setStyleSheet(QStringLiteral("#listFrame { background: rgb(219, 219, 219); border: 1px solid rgb(116, 116, 116); }"));
    follow(m_listFrame, {4, 48, 269, 182}, true, true, true, true);

    m_list = new SongListView(m_content);
    m_list->setObjectName(QStringLiteral("songList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSongModel(m_songs);
    follow(m_list, {6, 49, 265, 179}, true, true, true, true);
    connect(m_list, &SongListView::headingClicked, this, &MainWindow::sortRequest);
    connect(m_list, &SongListView::mousePressed, this, &MainWindow::hideSourcePopup);
    connect(m_songs, &SongListModel::rowsDragged, m_renumbering, [this] {
        m_renumbering->waitTicks = 0;
        m_renumbering->start();
    });

    m_loadingSongs = new SongListModel(this);
    m_loadingList = new SongListView(m_content);
    m_loadingList->setObjectName(QStringLiteral("loadingList"));
    m_loadingList->setFrameShape(QFrame::NoFrame);
    m_loadingList->setSongModel(m_loadingSongs);
    m_loadingList->hide();
    follow(m_loadingList, MainLayout::loadingListIn(m_listFrame->geometry()), true, true, true, true);

    // Drawn over the list's top edge, so created after it.
    m_edgeGrey = new QFrame(m_content);
    m_edgeGrey->setObjectName(QStringLiteral("edgeGrey"));
    m_edgeGrey->setStyleSheet(QStringLiteral("background: rgb(145, 145, 145);"));
    m_edgeDark = new QFrame(m_content);
    m_edgeDark->setObjectName(QStringLiteral("edgeDark"));
    m_edgeDark->setStyleSheet(QStringLiteral("background: rgb(84, 84, 84);"));

    m_statusArea = new QFrame(m_content);
    m_statusArea->setObjectName(QStringLiteral("statusArea"));
    m_statusArea->setFrameShape(QFrame::StyledPanel);
    follow(m_statusArea, {5, 238, 133, 51}, true, false, true, true);
    m_statusLine = makeLabel(m_content, QStringLiteral("statusLine"), QString(), UiFonts::osaka(10));
    m_statusLine->setToolTip(kStatusHelp);
    follow(m_statusLine, {14, 240, 116, 18}, true, false, true, true);
    m_destinationLabel = makeLabel(m_content, QStringLiteral("destinationLabel"), QString(), UiFonts::osaka(10));
    m_destinationLabel->setToolTip(kDestinationHelp);
    follow(m_destinationLabel, {14, 254, 116, 18}, true, false, true, true);
    m_capacityLabel = makeLabel(m_content, QStringLiteral("capacityLabel"), QString(), UiFonts::osaka(10));
    m_capacityLabel->setToolTip(helpLines({u"曲ファイルを転送出来る領域の容量。", u"転送先に現在存在するファイルの容量",
                                           u"（上書きされる）とボリュームの空き", u"容量の合計。"}));
    follow(m_capacityLabel, {14, 268, 116, 18}, true, false, true, true);

    m_busy = new BusyIndicator(m_content);
    m_busy->setObjectName(QStringLiteral("busyIndicator"));
    m_busy->hide();
    follow(m_busy, {11, 242, 16, 16}, true, false, false, true);

    m_transferButton = new QPushButton(QStringLiteral("▶▶"), m_content);
    m_transferButton->setObjectName(QStringLiteral("transferButton"));
    m_transferButton->setFont(UiFonts::osaka(12));
    m_transferButton->setStyleSheet(QStringLiteral(
        "#transferButton { color: rgb(76, 76, 76); border: 1px solid rgb(150, 150, 150); border-radius: 2px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(252, 252, 252), stop:1 rgb(222, 222, 222)); }"
        "#transferButton:pressed { background: rgb(200, 200, 200); }"
        "#transferButton:disabled { color: rgb(170, 170, 170); }"));
    m_transferButton->setToolTip(QStringLiteral("リストで選択したファイルを転送します"));
    follow(m_transferButton, {154, 238, 102, 24}, false, false, true, true);

    m_cardBox = new QCheckBox(QStringLiteral("miniSD"), m_content);
    m_cardBox->setObjectName(QStringLiteral("miniSDBox"));
    m_cardBox->setFont(UiFonts::osaka(10));
    m_cardBox->setToolTip(QStringLiteral("転送先を miniSD に設定します"));
    follow(m_cardBox, {155, 270, 53, 20}, false, false, true, true);
    m_addBox = new QCheckBox(QStringLiteral("追加"), m_content);
    m_addBox->setObjectName(QStringLiteral("addBox"));
    m_addBox->setFont(UiFonts::osaka(10));
    m_addBox->setToolTip(QStringLiteral("チェックすると追加転送、外すと入換え転送します"));
    follow(m_addBox, {214, 270, 45, 20}, false, false, true, true);

    m_repeatTimer = new QTimer(this);
    m_repeatTimer->setInterval(2000);
    connect(m_repeatTimer, &QTimer::timeout, this, &MainWindow::onRepeatingTimer);
    m_repeatTimer->start();
    m_oneShotTimer = new QTimer(this);
    m_oneShotTimer->setSingleShot(true);
    m_oneShotTimer->setInterval(100);
    connect(m_oneShotTimer, &QTimer::timeout, this, &MainWindow::shuffleList);
}

void MainWindow::registerListCommands()
{
    connect(m_checks, &CheckCommands::statusChanged, this, [this](const QString &text) {
        m_statusLine->setText(text);
        // The mark says room is kept free on the card; the tooltip says what it means.
        m_statusLine->setToolTip(text.endsWith(u'*') ? kStatusHelp + u'\n' + kKeptSpaceHelp : kStatusHelp);
        if (text == CheckCommands::countingText())
            m_statusLine->repaint();
    });
    connect(m_checks, &CheckCommands::transferEnabledChanged, m_transferButton, &QPushButton::setEnabled);
    connect(m_checks, &CheckCommands::recountFinished, m_busy, &QWidget::hide);
    connect(m_checks, &CheckCommands::shuffled, this, [this] {
        m_list->scrollToTop();
        m_list->clearSelection();
    });
    connect(m_checks, &CheckCommands::shuffleFinished, this, [this] { setShuffleIndicator(false); });
    m_checks->pressNumberHeading = [this] { sortRequest(0); };
    m_checks->roomToFill = [this] { return shuffleRoom(); };

    registerCommand(QStringLiteral("checkAllRows"), [this] { m_checks->checkAllRows(); });
    registerCommand(QStringLiteral("uncheckAllRows"), [this] { m_checks->uncheckAllRows(); });
    registerCommand(QStringLiteral("checkSelectedRows"), [this] { m_checks->checkSelectedRows(selectedRows()); });
    registerCommand(QStringLiteral("uncheckSelectedRows"), [this] { m_checks->uncheckSelectedRows(selectedRows()); });
    registerCommand(QStringLiteral("checkSourceRows"), [this] { m_checks->checkSourceRows(m_sourceLabel->text()); });
    registerCommand(QStringLiteral("uncheckSourceRows"), [this] { m_checks->uncheckSourceRows(m_sourceLabel->text()); });
    registerCommand(QStringLiteral("checkRowsOutsideSource"), [this] { m_checks->checkRowsOutsideSource(m_sourceLabel->text()); });
    registerCommand(QStringLiteral("uncheckRowsOutsideSource"), [this] { m_checks->uncheckRowsOutsideSource(m_sourceLabel->text()); });
    registerCommand(QStringLiteral("deselectAll"), [this] { m_list->clearSelection(); });
    registerCommand(QStringLiteral("startShuffle"), [this] { startShuffle(); });
    registerCommand(QStringLiteral("openRandomUncheck"), [this] { openRandomUncheck(); });
    registerCommand(QStringLiteral("removeSelectedRows"), [this] { m_checks->removeSelectedRows(selectedRows()); });
    registerCommand(QStringLiteral("askClearList"), [this] { askClearList(); });
}

QRect MainWindow::contentGeometry() const
{
    // The size from the window rather than the content widget, whose size lags while
    // hidden. The place is the frame's, as setContentGeometry() moves it: the inner top
    // would put the window lower by the title bar at every start.
    const QSize inner = size();
    return {pos(), QSize(inner.width(), inner.height() - menuBarHeight())};
}

void MainWindow::setContentGeometry(const QRect &r)
{
    move(r.x(), r.y());
    const QSize content = r.size().expandedTo(kMinimumSize).boundedTo(kMaximumSize);
    resize(content.width(), content.height() + menuBarHeight());
}

int MainWindow::menuBarHeight() const { return menuBar() ? menuBar()->sizeHint().height() : 0; }

void MainWindow::openSequence()
{
    readPreferences();
    CardFolder::fillPreferenceDefaults();
    checkCardFolder();
    if (m_firstStart)
        fitFirstStart();
    m_props.nextFileNumber = 1;
    applyOpeningLayout();
    QDir().mkpath(AppPaths::listFolder());
    startDefaultListLoader();
}

void MainWindow::readPreferences()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    const preference::Placement place = preference::readPreferences(AppPaths::prefsFile(), screenSize);
    if (place.fileFound)
        setContentGeometry(place.mainWindow);
    m_firstStart = !place.fileFound;
    if (place.addChecked)
        m_addBox->setChecked(true);
    if (preference::transferWindowMode == 1)
        hide();
    if (m_compact)
        m_compact->move(preference::compactWindowBounds[0], preference::compactWindowBounds[1]);
}

void MainWindow::fitFirstStart()
{
    // The designed size cuts the status texts with the fonts a Linux desktop has: the first
    // start opens wide enough for the card's path and the largest figures; the designed size
    // stays the minimum.
    const QFontMetrics fm(m_statusLine->font());
    int needed = 0;
    for (const QString &sample : {m_statusLine->text(), m_destinationLabel->text(), m_capacityLabel->text(),
                                  u"転送先 NO NAME:PRIVATE:AU:DF:D_SD:"_s, u"利用転送可能領域 > 99,999.999 MB"_s,
                                  u"選曲  9,999 曲、 99,999.99 MB*"_s})
        needed = std::max(needed, fm.horizontalAdvance(sample));
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    setContentGeometry(MainLayout::firstStartPlace(needed, kFirstStartHeight, room, menuBarHeight(), kMinimumSize,
                                                   kMaximumSize));
}

void MainWindow::checkCardFolder() { m_destination->searchCard(preference::cardFolderPath); }

void MainWindow::buildDestination()
{
    m_destination = new Destination(&m_props, this);
    connect(m_destination, &Destination::destinationTextChanged, m_destinationLabel, [this](const QString &text) {
        m_destinationLabel->setText(text);
        // A narrow window cuts the path: the tooltip shows it whole.
        m_destinationLabel->setToolTip(text.isEmpty() ? kDestinationHelp : text + u'\n' + kDestinationHelp);
    });
    connect(m_destination, &Destination::capacityTextChanged, m_capacityLabel, &QLabel::setText);
    connect(m_destination, &Destination::capacityVisibleChanged, m_capacityLabel, &QWidget::setVisible);
    connect(m_destination, &Destination::cardCheckedChanged, m_cardBox, [this](bool on) {
        // The program's own change: the action has run already.
        const QSignalBlocker quiet(m_cardBox);
        m_cardBox->setChecked(on);
    });
    connect(m_cardBox, &QCheckBox::clicked, m_destination, &Destination::cardBoxClicked);
    registerCommand(QStringLiteral("chooseDestination"), [this] { m_destination->chooseDestinationFolder(); });
}

void MainWindow::measureDestination() { m_destination->measureDestination(); }

qint64 MainWindow::folderSize(const FileItem &folder) const { return Destination::folderSize(folder); }

void MainWindow::showCapacity() { m_destination->showCapacity(); }

void MainWindow::applyOpeningLayout()
{
    followResize(true);
}

void MainWindow::followResize(bool atOpen)
{
    const int dw = m_content->width() - kDesignedSize.width();
    const int dh = m_content->height() - kDesignedSize.height();
    for (const Follow &f : m_follows) {
        QRect r = f.designed;
        if (f.right && f.left)
            r.setWidth(r.width() + dw);
        else if (f.right)
            r.moveLeft(r.left() + dw);
        if (f.bottom && f.top)
            r.setHeight(r.height() + dh);
        else if (f.bottom)
            r.moveTop(r.top() + dh);
        f.widget->setGeometry(r);
    }

    m_list->hideHiddenColumns();
    const std::array<int, 5> widths{m_list->columnWidth(0), m_list->columnWidth(1), m_list->columnWidth(2),
                                    m_list->columnWidth(3), m_list->columnWidth(4)};
    const int title = MainLayout::titleWidthAfterResize(widths, m_list->width());
    if (title >= 0)
        m_list->setColumnWidth(SongRow::Title, title);

    const QRect l = m_list->geometry();
    m_edgeDark->setGeometry(MainLayout::darkEdgeLine(l));
    m_edgeGrey->setGeometry(MainLayout::greyEdgeLine(l, atOpen));
    m_edgeGrey->raise();
    m_edgeDark->raise();

    const Qt::Alignment align = MainLayout::statusAlignment(m_statusLine->width());
    for (QLabel *label : {m_statusLine, m_destinationLabel, m_capacityLabel})
        label->setAlignment(align);
    m_busy->raise();

    if (m_popup && m_sources->isArmed() && m_popup->isVisible()) {
        m_popup->resize(m_sourceBox->width() - 6, m_popup->height());
        m_popup->shadow()->resize(m_popup->width(), m_popup->shadow()->height());
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_content)
        followResize();
}

void MainWindow::sortRequest(int column)
{
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == 0) {
        // The number heading always sorts descending: each click turns the list over.
        m_renumbering->waitTicks = 5;
        order = Qt::DescendingOrder;
    } else {
        m_renumbering->waitTicks = 0;
        if (column == m_lastSortColumn)
            order = m_lastSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    m_lastSortColumn = column;
    m_lastSortOrder = order;
    m_list->clearSelection();
    m_list->hideHiddenColumns();
    m_list->horizontalHeader()->setSortIndicatorShown(column != 0);
    m_list->horizontalHeader()->setSortIndicator(column, order);
    m_songs->sort(column, order);
    // The renumbering starts after the sort, as a scheduled thread would.
    m_renumbering->start();
}

bool MainWindow::handleCommand(const QString &id)
{
    // The mode switch belongs to the application even with this window in front.
    if (id == QStringLiteral("showCompactWindow"))
        return false;
    const auto it = m_commands.constFind(id);
    if (it == m_commands.cend())
        return false;
    showTotals();
    it.value()();
    return true;
}

void MainWindow::showTotals() { m_statusLine->setText(m_checks->statusLine()); }

void MainWindow::registerCommand(const QString &id, std::function<void()> handler)
{
    m_commands.insert(id, std::move(handler));
}

void MainWindow::enableMenuItems(MenuBar &bar) const
{
    auto enable = [&bar](std::initializer_list<const char *> ids) {
        for (const char *id : ids)
            if (QAction *a = bar.action(QLatin1String(id)))
                a->setEnabled(true);
    };
    enable({"chooseMusicFolder", "chooseDestination"});
    const bool hasRows = m_songs->rowCount() > 0;
    const bool hasSelection = m_list->selectionModel() && m_list->selectionModel()->hasSelection();
    if (hasRows)
        enable({"checkAllRows", "uncheckAllRows", "checkSelectedRows", "checkSourceRows", "deselectAll",
                "uncheckSourceRows", "uncheckSelectedRows", "startShuffle", "uncheckRowsOutsideSource", "checkRowsOutsideSource",
                "saveSongListAs", "openRandomUncheck"});
    if (hasSelection)
        enable({"showInfo"});
    if (m_busy->isHidden())
        enable({"listCard"});
    if (!cardListingMode()) {
        if (hasSelection)
            enable({"removeSelectedRows"});
        enable({"askClearList", "saveDefaultList"});
    } else {
        enable({"returnToSongList"});
    }
}

void MainWindow::onRepeatingTimer()
{
    // The card search while the box is on, and a card put back while it is off for want of one.
    m_destination->searchOnTimer();
    // Automatic song lists in the list folder; the job stops this timer while it works.
    startListFolderJob();
    m_transferButton->setEnabled(true);
    m_transferButton->repaint();
}

QList<int> MainWindow::selectedRows() const
{
    // Read from the selection's ranges: asking row by row is quadratic on a scattered
    // selection of a long list.
    QList<int> rows;
    if (!m_list->selectionModel())
        return rows;
    for (const QItemSelectionRange &range : m_list->selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows << r;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void MainWindow::recountTotals() { m_checks->recountTotals(); }

void MainWindow::shuffleList() { m_checks->shuffleList(); }

void MainWindow::clearList()
{
    m_checks->clearList();
    m_sources->clear();
}

void MainWindow::startShuffle()
{
    // The indicator is painted before the work starts, which the timer's delay leaves room for.
    setShuffleIndicator(true);
    m_shuffleIndicator->repaint();
    m_oneShotTimer->start();
}

void MainWindow::askClearList()
{
    const Prompts::Answer answer = Prompts::instance().askOkCancel(
        QStringLiteral("現在のリストを全行削除します。この作業は取消し出来ません。"), Prompts::Icon::Question, true);
    if (answer == Prompts::Answer::Ok)
        clearList();
}

void MainWindow::openRandomUncheck()
{
    if (m_randomUncheck)
        m_randomUncheck->close();
    m_randomUncheck = new RandomUncheckDialog(m_songs->rowCount(), this);
    connect(m_randomUncheck, &RandomUncheckDialog::executeRequested, m_checks, &CheckCommands::randomUncheck);
    m_randomUncheck->show();
}

void MainWindow::setShuffleIndicator(bool pending)
{
    m_shuffleIndicator->setStyleSheet(pending ? QStringLiteral("color: rgb(0, 255, 0); background: transparent;")
                                              : QStringLiteral("color: rgb(0, 0, 0); background: transparent;"));
}

qint64 MainWindow::shuffleRoom()
{
    return m_destination->shuffleRoom();
}

void MainWindow::hideSourcePopup()
{
    if (m_popup)
        m_popup->hide();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_content)
            hideSourcePopup();
        else if (watched == m_sourceBox || watched == m_sourceLabel) {
            // Taken here: the background would otherwise hide the popup it opens.
            emit sourceBoxClicked();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::savePreferences()
{
    preference::savePreferences(AppPaths::prefsFile(), contentGeometry(), m_addBox->isChecked());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    savePreferences();
    event->accept();
    emit quitRequested();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (preference::transferWindowMode == 1 && m_compact)
            m_compact->show();
        m_transferButton->setEnabled(true);
    }
}
