#include "app/App.h"

#include "gui/main/MenuBar.h"
#include "gui/main/AboutBox.h"
#include "core/platform/FileTypes.h"
#include "core/prefs/Preferences.h"
#include "gui/prefs/PreferencesDialog.h"
#include "gui/main/MainWindow.h"
#include "gui/compact/CompactWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

App *s_instance = nullptr;

// The Edit menu's commands, which act on the focused text field.
constexpr const char16_t *kEditCommands[] = {u"editUndo", u"editCut", u"editCopy", u"editPaste"};

bool isEditCommand(QStringView id)
{
    return std::any_of(std::begin(kEditCommands), std::end(kEditCommands),
                       [id](const char16_t *command) { return id == QStringView(command); });
}

bool clipboardHasText() { return !QGuiApplication::clipboard()->text().isEmpty(); }

// Whether the edit command can act on the widget: a text field with something to undo, a
// selection to cut or copy, or text on the clipboard to paste. A password field gives
// nothing away.
bool editAvailable(QWidget *widget, QStringView id)
{
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        const bool readable = line->echoMode() == QLineEdit::Normal;
        if (id == u"editUndo")
            return line->isUndoAvailable();
        if (id == u"editCut")
            return readable && !line->isReadOnly() && line->hasSelectedText();
        if (id == u"editCopy")
            return readable && line->hasSelectedText();
        return !line->isReadOnly() && clipboardHasText();
    }
    const auto rich = [id](auto *edit) {
        const bool selected = edit->textCursor().hasSelection();
        if (id == u"editUndo")
            return !edit->isReadOnly() && edit->document()->isUndoAvailable();
        if (id == u"editCut")
            return !edit->isReadOnly() && selected;
        if (id == u"editCopy")
            return selected;
        return edit->canPaste();
    };
    if (auto *text = qobject_cast<QTextEdit *>(widget))
        return rich(text);
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget))
        return rich(plain);
    return false;
}

template <typename Field>
void runEdit(Field *field, QStringView id)
{
    if (id == u"editUndo")
        field->undo();
    else if (id == u"editCut")
        field->cut();
    else if (id == u"editCopy")
        field->copy();
    else
        field->paste();
}

// Runs the edit command on the widget when it is a text field that offers it.
void runEdit(QWidget *widget, QStringView id)
{
    if (!editAvailable(widget, id))
        return;
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        runEdit(line, id);
    else if (auto *text = qobject_cast<QTextEdit *>(widget))
        runEdit(text, id);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget))
        runEdit(plain, id);
}

} // namespace

App::App(QObject *parent) : QObject(parent)
{
    // The icon lives in a static library's resources, which must be registered by hand.
    Q_INIT_RESOURCE(resources);
    s_instance = this;
}

App::~App()
{
    delete m_about;
    delete m_main;
    delete m_compact;
    if (s_instance == this)
        s_instance = nullptr;
}

App *App::instance() { return s_instance; }
MainWindow *App::mainWindow() const { return m_main; }
CompactWindow *App::compactWindow() const { return m_compact; }
AboutBox *App::aboutBox() const { return m_about; }

bool App::installQtTranslations()
{
    // Qt's own texts (standard buttons, the folder chooser) in the language of the rest.
    static QTranslator *translator = nullptr;
    if (translator)
        return true;
    auto *loaded = new QTranslator(qApp);
    if (!loaded->load(QLocale(QLocale::Japanese, QLocale::Japan), u"qtbase"_s, u"_"_s,
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(loaded)) {
        delete loaded;
        return false;
    }
    translator = loaded;
    return true;
}

void App::start()
{
    preference::compactWindowBounds = {0, 0, 0, 0};
    // The file types are a fixed table (FileTypes::all) the choosers and the list use.
    Q_UNUSED(FileTypes::all());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon.svg")));

    m_menuBar = std::make_unique<MenuBar>();
    connect(m_menuBar.get(), &MenuBar::triggered, this, &App::dispatch);
    connect(m_menuBar.get(), &MenuBar::aboutToShow, this, &App::updateMenus);
    // Shortcuts are checked against the enable rules as they are when the key is pressed.
    qApp->installEventFilter(this);

    m_compact = new CompactWindow;
    m_compact->addActions(m_menuBar->allActions());
    m_main = new MainWindow(m_menuBar.get(), m_compact);
    connect(m_main, &MainWindow::quitRequested, this, [this] {
        m_quitting = true;
        QCoreApplication::quit();
    });
    if (preference::transferWindowMode != 1)
        m_main->show();

    // On this desktop an application with no visible window is never activated, so the
    // first activation is run here, once the event loop turns.
    QTimer::singleShot(0, this, &App::activationRule);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            activationRule();
    });
}

void App::dispatch(const QString &id)
{
    updateMenus();
    if (QAction *a = m_menuBar->action(id); a && !a->isEnabled())
        return;
    QWidget *front = QApplication::activeWindow();
    if (m_main && front == m_main && m_main->handleCommand(id))
        return;
    if (m_compact && front == m_compact && m_compact->handleCommand(id))
        return;
    handleOwn(id);
}

bool App::handleOwn(const QString &id)
{
    if (id == QStringLiteral("showCompactWindow"))
        showCompactWindow();
    else if (id == QStringLiteral("showListWindow"))
        showListWindow();
    else if (id == QStringLiteral("openPreferences"))
        openPreferences();
    else if (id == QStringLiteral("showAbout"))
        showAbout();
    else if (id == QStringLiteral("quit")) {
        if (m_main)
            m_main->close();
    } else if (isEditCommand(id))
        runEdit(QApplication::focusWidget(), id);
    else
        return false; // the main window's commands act only with it in front
    return true;
}

void App::updateMenus()
{
    m_menuBar->applyAutoEnable();
    if (m_main && QApplication::activeWindow() == m_main)
        m_main->enableMenuItems(*m_menuBar);
    if (m_main && m_main->isVisible())
        m_menuBar->action(QStringLiteral("showListWindow"))->setEnabled(false);
    if (m_compact && m_compact->isVisible())
        m_menuBar->action(QStringLiteral("showCompactWindow"))->setEnabled(false);
    m_menuBar->action(QStringLiteral("showAbout"))->setEnabled(true);
    QWidget *focus = QApplication::focusWidget();
    for (const char16_t *id : kEditCommands) {
        const QString command = QString::fromUtf16(id);
        if (editAvailable(focus, command))
            m_menuBar->action(command)->setEnabled(true);
    }
}

bool App::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_menuBar && !m_quitting) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & Qt::ControlModifier)
            updateMenus();
    }
    return QObject::eventFilter(watched, event);
}

void App::showCompactWindow()
{
    preference::transferWindowMode = 1;
    if (m_main)
        m_main->hide();
    if (m_compact) {
        m_compact->show();
        m_compact->raise();
        m_compact->activateWindow();
    }
}

void App::showListWindow()
{
    preference::transferWindowMode = 0;
    if (m_main) {
        m_main->show();
        m_main->raise();
        m_main->activateWindow();
    }
    if (m_compact)
        m_compact->hide();
}

void App::openPreferences()
{
    // One dialog at a time; it reads the preferences when created and is gone once closed.
    // Parented to the main window so it never outlives it.
    static QPointer<PreferencesDialog> s_prefs;
    if (!s_prefs) {
        s_prefs = new PreferencesDialog(m_main);
        if (m_main)
            connect(s_prefs, &PreferencesDialog::closed, m_main, [main = m_main] {
                if (main)
                    main->transferButton()->setEnabled(true);
            });
    }
    s_prefs->show();
    s_prefs->raise();
    s_prefs->activateWindow();
}

void App::showAbout()
{
    if (!m_about) {
        m_about = new AboutBox(m_main);
        if (m_main)
            connect(m_about, &AboutBox::closed, m_main, [main = m_main] {
                if (main)
                    main->transferButton()->setEnabled(true);
            });
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void App::activationRule()
{
    if (m_quitting || !m_main || !m_compact)
        return;
    if (m_main->isVisible() || m_compact->isVisible())
        return;
    preference::transferWindowMode = 1;
    m_compact->move(preference::compactWindowBounds[0], preference::compactWindowBounds[1]);
    m_compact->show();
}
