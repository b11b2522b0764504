#include "gui/main/MenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {
MenuBar::Item item(const char16_t *id, const char16_t *caption, char key, bool autoEnable)
{
    return {QString::fromUtf16(id), QString::fromUtf16(caption), key ? QChar(QLatin1Char(key)) : QChar(), autoEnable};
}
MenuBar::Item separator() { return {QString(), QStringLiteral("-"), QChar(), true}; }
} // namespace

const QList<MenuBar::Menu> &MenuBar::layout()
{
    static const QList<Menu> menus{
        {QStringLiteral("FileMenu"), QStringLiteral("ファイル"),
         {item(u"openSongList", u"曲リストファイルを開く...", 'O', true),
          item(u"saveSongListAs", u"曲リストを別名で保存...", 'S', false),
          item(u"saveDefaultList", u"リストをﾃﾞﾌｫﾙﾄに保存", 0, false),
          separator(),
          item(u"openPlaylist", u"iTunes のプレイリストを開く...", 0, true),
          separator(),
          item(u"chooseMusicFolder", u"曲フォルダの選択...", 0, true),
          item(u"chooseDestination", u"転送先フォルダの選択...", 0, true),
          separator(),
          item(u"listCard", u"転送先フォルダのリスト", 0, false),
          item(u"returnToSongList", u"曲リストに戻る", 0, false),
          separator(),
          item(u"quit", u"終了", 'Q', true)}},
        {QStringLiteral("EditMenu"), QStringLiteral("編集"),
         {item(u"editUndo", u"取り消し", 'Z', false),
          separator(),
          item(u"editCut", u"カット", 'X', false),
          item(u"editCopy", u"コピー", 'C', false),
          item(u"editPaste", u"ペースト", 'V', false),
          separator(),
          item(u"removeSelectedRows", u"リストの選択行を削除", 0, false),
          item(u"askClearList", u"リストの全行を削除", 0, false),
          separator(),
          item(u"openPreferences", u"環境設定...", 0, true)}},
        {QStringLiteral("SelectMenu"), QStringLiteral("選曲"),
         {item(u"showInfo", u"情報を見る...", 'I', false),
          separator(),
          item(u"checkAllRows", u"すべてにチェックを付ける", 0, false),
          item(u"uncheckAllRows", u"すべてのチェックを解除", 0, false),
          item(u"openRandomUncheck", u"ランダムにチェックを解除", 0, false),
          separator(),
          item(u"checkSelectedRows", u"選択行にチェックを付ける", 0, false),
          item(u"uncheckSelectedRows", u"選択行のチェックを解除", 0, false),
          item(u"checkRowsOutsideSource", u"選択行以外にチェックを付ける", 0, false),
          item(u"uncheckRowsOutsideSource", u"選択行以外のチェックを解除", 0, false),
          separator(),
          item(u"checkSourceRows", u"選択フォルダ内容だけにチェックを付ける", 0, false),
          item(u"uncheckSourceRows", u"選択フォルダ内容のチェックを解除", 0, false),
          separator(),
          item(u"startShuffle", u"シャッフル", 0, false),
          separator(),
          item(u"deselectAll", u"選択を解除", 0, false)}},
        {QString(), QStringLiteral("ウインドウ"),
         {item(u"", u"ウインドウをしまう", 'M', false),
          item(u"", u"ズーム", 0, false),
          separator(),
          item(u"showListWindow", u"リスト表示モード", 'L', true),
          item(u"showCompactWindow", u"転送ウインドウモード", 'K', true)}},
        // The separator and the about item are appended after the bar is built.
        {QString(), QStringLiteral("ヘルプ"),
         {item(u"Songkite", u"Songkite ヘルプ", 0, false),
          separator(),
          item(u"showAbout", u"Songkite について...", 0, true)}},
    };
    return menus;
}

MenuBar::MenuBar(QObject *parent) : QObject(parent), m_owner(std::make_unique<QWidget>())
{
    for (const Menu &m : layout()) {
        auto *menu = new QMenu(m.caption, m_owner.get());
        menu->setObjectName(m.id);
        connect(menu, &QMenu::aboutToShow, this, &MenuBar::aboutToShow);
        for (const Item &it : m.items) {
            QAction *a = nullptr;
            if (it.caption == QStringLiteral("-")) {
                a = menu->addSeparator();
            } else {
                a = menu->addAction(it.caption);
                a->setObjectName(it.id);
                if (!it.key.isNull())
                    a->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + it.key));
                // Shortcuts work from every window of the program, also the compact one that
                // shows no menu bar; modal dialogs still block them.
                a->setShortcutContext(Qt::ApplicationShortcut);
                if (!it.id.isEmpty()) {
                    m_byId.insert(it.id, a);
                    const QString id = it.id;
                    connect(a, &QAction::triggered, this, [this, id] { emit triggered(id); });
                }
            }
            m_auto.insert(a, it.autoEnable);
        }
        m_menus << menu;
    }
    // The platform's own roles where a desktop has an application menu.
    if (QAction *a = action(QStringLiteral("openPreferences")))
        a->setMenuRole(QAction::PreferencesRole);
    if (QAction *a = action(QStringLiteral("quit")))
        a->setMenuRole(QAction::QuitRole);
    if (QAction *a = action(QStringLiteral("showAbout")))
        a->setMenuRole(QAction::AboutRole);
    applyAutoEnable();
}

MenuBar::~MenuBar() = default;

QAction *MenuBar::action(const QString &id) const { return m_byId.value(id); }

QAction *MenuBar::actionByCaption(const QString &caption) const
{
    for (QMenu *m : m_menus)
        for (QAction *a : m->actions())
            if (a->text() == caption)
                return a;
    return nullptr;
}

QList<QAction *> MenuBar::allActions() const
{
    QList<QAction *> out;
    for (QMenu *m : m_menus)
        out << m->actions();
    return out;
}

bool MenuBar::isAutoEnabled(QAction *action) const { return m_auto.value(action, false); }

void MenuBar::applyAutoEnable()
{
    for (auto it = m_auto.cbegin(); it != m_auto.cend(); ++it)
        it.key()->setEnabled(it.value());
}

QMenuBar *MenuBar::createMenuBar(QWidget *parent) const
{
    auto *bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    for (QMenu *m : m_menus)
        bar->addMenu(m);
    return bar;
}
