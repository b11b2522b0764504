#include "songlist/Window1.h"

#include "app/MenuBar1.h"
#include "platform/AppPaths.h"
#include "platform/UiFonts.h"
#include "prefs/Preferences.h"
#include "songlist/ReIndexNum.h"
#include "songlist/SongListModel.h"
#include "songlist/SongListView.h"
#include "transferwindow/Window9.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

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

Window1::Window1(MenuBar1 *menuBar, Window9 *compact, QWidget *parent)
    : QMainWindow(parent), m_menuBar(menuBar), m_compact(compact), m_songs(new SongListModel(this)),
      m_reIndex(new reIndexNum(m_songs, this))
{
    setObjectName(QStringLiteral("Window1"));
    setWindowTitle(QStringLiteral("Songkite"));
    setMenuBar(menuBar->createMenuBar(this));
    buildControls();
    openSequence();
}

Window1::~Window1() = default;

void Window1::buildControls()
{
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("content"));
    m_content->setAutoFillBackground(true);
    QPalette pal = m_content->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(pal);
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
    m_selectButton->setStyleSheet(QStringLiteral("color: rgb(51, 51, 51);"));
    m_selectButton->setToolTip(QStringLiteral("転送したい曲のフォルダやリストを選択します"));
    follow(m_selectButton, {14, 8, 55, 22}, true, true, false, false);

    m_sourceBox = new QFrame(m_content);
    m_sourceBox->setObjectName(QStringLiteral("sourceBox"));
    m_sourceBox->setStyleSheet(
        QStringLiteral("#sourceBox { background: rgb(214, 219, 191); border: 1px solid rgb(170, 175, 150); border-radius: 6px; }"));
    m_sourceBox->setToolTip(helpLines({u"選択した曲フォルダです。クリックすると", u"フォルダに該当するファイルをピックアッ", u"プします"}));
    follow(m_sourceBox, {90, 7, 115, 25}, true, true, true, false);
    m_sourceLabel = makeLabel(m_content, QStringLiteral("sourceLabel"), QString(), UiFonts::gothic(10));
    follow(m_sourceLabel, {99, 14, 100, 18}, true, true, true, false);

    m_shuffleButton = new QPushButton(QStringLiteral("♻"), m_content);
    m_shuffleButton->setObjectName(QStringLiteral("shuffleButton"));
    m_shuffleButton->setToolTip(QStringLiteral("曲リストをシャッフル"));
    follow(m_shuffleButton, {226, 8, 39, 22}, false, true, true, false);
    m_shuffleIndicator = makeLabel(m_shuffleButton, QStringLiteral("shuffleIndicator"), QString(), UiFonts::osaka(14));
    m_shuffleIndicator->setGeometry(0, 0, 12, 22);

    m_listFrame = new QFrame(m_content);
    m_listFrame->setObjectName(QStringLiteral("listFrame"));
    m_listFrame->setStyleSheet(QStringLiteral("#listFrame { background: rgb(219, 219, 219); border: 1px solid rgb(116, 116, 116); }"));
    follow(m_listFrame, {4, 48, 269, 182}, true, true, true, true);

    m_list = new SongListView(m_content);
    m_list->setObjectName(QStringLiteral("songList"));
    m_list->setSongModel(m_songs);
    follow(m_list, {6, 49, 265, 179}, true, true, true, true);
    connect(m_list, &SongListView::headingClicked, this, &Window1::sortRequest);
    connect(m_songs, &SongListModel::rowsDragged, m_reIndex, [this] {
        m_reIndex->wiaitTime = 0;
        m_reIndex->start();
    });

    m_edgeGrey = new QFrame(m_content);
    m_edgeGrey->setStyleSheet(QStringLiteral("background: rgb(145, 145, 145);"));
    m_edgeDark = new QFrame(m_content);
    m_edgeDark->setStyleSheet(QStringLiteral("background: rgb(84, 84, 84);"));

    m_statusArea = new QFrame(m_content);
    m_statusArea->setObjectName(QStringLiteral("statusArea"));
    m_statusArea->setFrameShape(QFrame::StyledPanel);
    follow(m_statusArea, {5, 238, 133, 51}, true, false, true, true);
    m_statusLine = makeLabel(m_content, QStringLiteral("statusLine"), QString(), UiFonts::osaka(10));
    m_statusLine->setToolTip(QStringLiteral("曲リストでチェックボタンをチェックした曲数とファイルサイズ"));
    follow(m_statusLine, {14, 240, 116, 18}, true, false, true, true);
    m_destinationLabel = makeLabel(m_content, QStringLiteral("destinationLabel"), QString(), UiFonts::osaka(10));
    m_destinationLabel->setToolTip(QStringLiteral("選択した曲ファイルを転送する先のフォルダパス"));
    follow(m_destinationLabel, {14, 254, 116, 18}, true, false, true, true);
    m_capacityLabel = makeLabel(m_content, QStringLiteral("capacityLabel"), QString(), UiFonts::osaka(10));
    m_capacityLabel->setToolTip(helpLines({u"曲ファイルを転送出来る領域の容量。", u"転送先に現在存在するファイルの容量",
                                           u"（上書きされる）とボリュームの空き", u"容量の合計。"}));
    follow(m_capacityLabel, {14, 268, 116, 18}, true, false, true, true);

    m_busy = new QProgressBar(m_content);
    m_busy->setObjectName(QStringLiteral("busyIndicator"));
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->hide();
    follow(m_busy, {11, 242, 16, 16}, true, false, false, true);

    m_transferButton = new QPushButton(QStringLiteral("▶▶"), m_content);
    m_transferButton->setObjectName(QStringLiteral("transferButton"));
    m_transferButton->setFont(UiFonts::osaka(12));
    m_transferButton->setStyleSheet(QStringLiteral("color: rgb(76, 76, 76);"));
    m_transferButton->setToolTip(QStringLiteral("リストで選択したファイルを転送します"));
    follow(m_transferButton, {154, 238, 102, 24}, false, false, true, true);

    m_miniSDBox = new QCheckBox(QStringLiteral("miniSD"), m_content);
    m_miniSDBox->setObjectName(QStringLiteral("miniSDBox"));
    m_miniSDBox->setFont(UiFonts::osaka(10));
    m_miniSDBox->setToolTip(QStringLiteral("転送先を miniSD に設定します"));
    follow(m_miniSDBox, {155, 270, 53, 20}, false, false, true, true);
    m_addBox = new QCheckBox(QStringLiteral("追加"), m_content);
    m_addBox->setObjectName(QStringLiteral("addBox"));
    m_addBox->setFont(UiFonts::osaka(10));
    m_addBox->setToolTip(QStringLiteral("チェックすると追加転送、外すと入換え転送します"));
    follow(m_addBox, {214, 270, 45, 20}, false, false, true, true);

    m_repeatTimer = new QTimer(this);
    m_repeatTimer->setInterval(2000);
    connect(m_repeatTimer, &QTimer::timeout, this, &Window1::onRepeatingTimer);
    m_repeatTimer->start();
    m_oneShotTimer = new QTimer(this);
    m_oneShotTimer->setSingleShot(true);
    m_oneShotTimer->setInterval(100);
}

QRect Window1::contentGeometry() const
{
    // Read from the window rather than the content widget, whose size lags while hidden.
    const QRect g = geometry();
    return {g.x(), g.y(), g.width(), g.height() - menuBarHeight()};
}

void Window1::setContentGeometry(const QRect &r)
{
    move(r.x(), r.y());
    const QSize content = r.size().expandedTo(kMinimumSize).boundedTo(kMaximumSize);
    resize(content.width(), content.height() + menuBarHeight());
}

int Window1::menuBarHeight() const { return menuBar() ? menuBar()->sizeHint().height() : 0; }

void Window1::openSequence()
{
    readPrefs();
    if (preference::miniSDvolName.isEmpty())
        preference::miniSDvolName = QStringLiteral("NO NAME");
    if (preference::miniSDDSDf.isEmpty())
        preference::miniSDDSDf = QStringLiteral(":PRIVATE:AU:DF:D_SD:");
    checkCardFolder();
    m_props.fileCounter = 1;
    windowSetting();
    QDir().mkpath(AppPaths::listFolder());
    // The default song list's loader starts here once song-list files are read.
}

void Window1::readPrefs()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    const preference::Placement place = preference::readPrefs(AppPaths::prefsFile(), screenSize);
    if (place.fileFound)
        setContentGeometry(place.mainWindow);
    if (place.addChecked)
        m_addBox->setChecked(true);
    if (preference::transOpeMode == 1)
        hide();
    if (m_compact)
        m_compact->move(preference::window9bounds[0], preference::window9bounds[1]);
}

void Window1::checkCardFolder()
{
    const FileItem card = FileItem::fromColonPath(preference::miniSDvolName + preference::miniSDDSDf);
    if (!card.isNull() && card.exists() && card.isFolder()) {
        m_props.miniSDsDSDfolder = card;
        m_props.musicfolder = card;
        // The disk figures, the folder size and the check box's action come with the
        // destination handling.
        m_miniSDBox->setChecked(true);
        return;
    }
    const FileItem volume = FileItem::fromColonPath(preference::miniSDvolName + QLatin1Char(':'));
    if (!volume.isNull() && volume.exists())
        m_destinationLabel->setText(QStringLiteral("ｻｳﾝﾄﾞﾌｫﾙﾀﾞが見つかりません"));
    else
        m_destinationLabel->setText(QStringLiteral("miniSD　が見つかりません"));
}

void Window1::windowSetting()
{
    followResize();
}

void Window1::followResize()
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
    const QRect l = m_list->geometry();
    m_edgeDark->setGeometry(l.left() - 1, l.top() - 1, l.width() + 8, 1);
    m_edgeGrey->setGeometry(l.left() - 2, l.top() - 2, l.width() + 9, 1);
    m_list->hideHiddenColumns();
}

void Window1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_content)
        followResize();
}

void Window1::sortRequest(int column)
{
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == 0) {
        // The number heading always sorts descending: each click turns the list over.
        m_reIndex->wiaitTime = 5;
        order = Qt::DescendingOrder;
    } else {
        m_reIndex->wiaitTime = 0;
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
    m_reIndex->start();
}

bool Window1::handleCommand(const QString &id)
{
    // The mode switch belongs to the application even with this window in front.
    if (id == QStringLiteral("transWindowMode"))
        return false;
    const auto it = m_commands.constFind(id);
    if (it == m_commands.cend())
        return false;
    it.value()();
    return true;
}

void Window1::registerCommand(const QString &id, std::function<void()> handler)
{
    m_commands.insert(id, std::move(handler));
}

void Window1::enableMenuItems(MenuBar1 &bar) const
{
    auto enable = [&bar](std::initializer_list<const char *> ids) {
        for (const char *id : ids)
            if (QAction *a = bar.action(QLatin1String(id)))
                a->setEnabled(true);
    };
    enable({"selectMFolderMenu", "selectCopyFolder"});
    const bool hasRows = m_songs->rowCount() > 0;
    const bool hasSelection = m_list->selectionModel() && m_list->selectionModel()->hasSelection();
    if (hasRows)
        enable({"selectAllRows", "releaseAllRows", "checkSelRows", "checkSelFolder", "releaseAllSelect",
                "releaseSelFolder", "releaseSelRows", "randomsort", "releaseSelExRows", "checkSelExRows",
                "saveListAs", "randomDelete"});
    if (hasSelection)
        enable({"showInfo"});
    if (m_busy->isHidden())
        enable({"openminiSD"});
    if (!showMiniSDMode) {
        if (hasSelection)
            enable({"selRemoveRows"});
        enable({"EditClear"});
    }
}

void Window1::onRepeatingTimer()
{
    // The card search and the list-folder job join here with the destination and
    // song-list file handling.
    m_transferButton->setEnabled(true);
    m_transferButton->repaint();
}

void Window1::savePrefs()
{
    preference::savePrefs(AppPaths::prefsFile(), contentGeometry(), m_addBox->isChecked());
}

void Window1::closeEvent(QCloseEvent *event)
{
    savePrefs();
    event->accept();
    emit quitRequested();
}

void Window1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (preference::transOpeMode == 1 && m_compact)
            m_compact->show();
        m_transferButton->setEnabled(true);
    }
}
