#include "app/MenuBar1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {
MenuBar1::Item item(const char16_t *id, const char16_t *caption, char key, bool autoEnable)
{
    return {QString::fromUtf16(id), QString::fromUtf16(caption), key ? QChar(QLatin1Char(key)) : QChar(), autoEnable};
}
MenuBar1::Item separator() { return {QString(), QStringLiteral("-"), QChar(), true}; }
} // namespace

const QList<MenuBar1::Menu> &MenuBar1::layout()
{
    static const QList<Menu> menus{
        {QStringLiteral("FileMenu"), QStringLiteral("ファイル"),
         {item(u"selectMList", u"曲リストファイルを開く...", 'O', true),
          item(u"saveListAs", u"曲リストを別名で保存...", 'S', false),
          item(u"SaveList", u"リストをﾃﾞﾌｫﾙﾄに保存", 0, true),
          separator(),
          item(u"iTunesPlayList", u"iTunes のプレイリストを開く...", 0, true),
          separator(),
          item(u"selectMFolderMenu", u"曲フォルダの選択...", 0, true),
          item(u"selectCopyFolder", u"転送先フォルダの選択...", 0, true),
          separator(),
          item(u"openminiSD", u"転送先フォルダのリスト", 0, false),
          separator(),
          item(u"FileQuit", u"終了", 'Q', true)}},
        {QStringLiteral("EditMenu"), QStringLiteral("編集"),
         {item(u"EditUndo", u"取り消し", 'Z', true),
          separator(),
          item(u"EditCut", u"カット", 'X', false),
          item(u"EditCopy", u"コピー", 'C', true),
          item(u"EditPaste", u"ペースト", 'V', true),
          separator(),
          item(u"selRemoveRows", u"リストの選択行を削除", 0, false),
          item(u"EditClear", u"リストの全行を削除", 0, false),
          separator(),
          item(u"EditPrefs", u"環境設定...", 0, true)}},
        {QStringLiteral("SelectMenu"), QStringLiteral("選曲"),
         {item(u"showInfo", u"情報を見る...", 'I', false),
          separator(),
          item(u"selectAllRows", u"すべてにチェックを付ける", 0, false),
          item(u"releaseAllRows", u"すべてのチェックを解除", 0, false),
          item(u"randomDelete", u"ランダムにチェックを解除", 0, false),
          separator(),
          item(u"checkSelRows", u"選択行にチェックを付ける", 0, false),
          item(u"releaseSelRows", u"選択行のチェックを解除", 0, false),
          item(u"checkSelExRows", u"選択行以外にチェックを付ける", 0, false),
          item(u"releaseSelExRows", u"選択行以外のチェックを解除", 0, false),
          separator(),
          item(u"checkSelFolder", u"選択フォルダ内容だけにチェックを付ける", 0, false),
          item(u"releaseSelFolder", u"選択フォルダ内容のチェックを解除", 0, false),
          separator(),
          item(u"randomsort", u"シャッフル", 0, false),
          separator(),
          item(u"releaseAllSelect", u"選択を解除", 0, false)}},
        {QString(), QStringLiteral("ウインドウ"),
         {item(u"", u"ウインドウをしまう", 'M', false),
          item(u"", u"ズーム", 0, false),
          separator(),
          item(u"listWindowMode", u"リスト表示モード", 'L', true),
          item(u"transWindowMode", u"転送ウインドウモード", 'K', true)}},
        // The separator and the about item are appended after the bar is built.
        {QString(), QStringLiteral("ヘルプ"),
         {item(u"Songkite", u"Songkite ヘルプ", 0, false),
          separator(),
          item(u"aboutSongkite", u"Songkite について...", 0, true)}},
    };
    return menus;
}

MenuBar1::MenuBar1(QObject *parent) : QObject(parent), m_owner(std::make_unique<QWidget>())
{
    for (const Menu &m : layout()) {
        auto *menu = new QMenu(m.caption, m_owner.get());
        menu->setObjectName(m.id);
        connect(menu, &QMenu::aboutToShow, this, &MenuBar1::aboutToShow);
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
    if (QAction *a = action(QStringLiteral("EditPrefs")))
        a->setMenuRole(QAction::PreferencesRole);
    if (QAction *a = action(QStringLiteral("FileQuit")))
        a->setMenuRole(QAction::QuitRole);
    if (QAction *a = action(QStringLiteral("aboutSongkite")))
        a->setMenuRole(QAction::AboutRole);
    applyAutoEnable();
}

MenuBar1::~MenuBar1() = default;

QAction *MenuBar1::action(const QString &id) const { return m_byId.value(id); }

QAction *MenuBar1::actionByCaption(const QString &caption) const
{
    for (QMenu *m : m_menus)
        for (QAction *a : m->actions())
            if (a->text() == caption)
                return a;
    return nullptr;
}

QList<QAction *> MenuBar1::allActions() const
{
    QList<QAction *> out;
    for (QMenu *m : m_menus)
        out << m->actions();
    return out;
}

bool MenuBar1::isAutoEnabled(QAction *action) const { return m_auto.value(action, false); }

void MenuBar1::applyAutoEnable()
{
    for (auto it = m_auto.cbegin(); it != m_auto.cend(); ++it)
        it.key()->setEnabled(it.value());
}

QMenuBar *MenuBar1::createMenuBar(QWidget *parent) const
{
    auto *bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    for (QMenu *m : m_menus)
        bar->addMenu(m);
    return bar;
}
