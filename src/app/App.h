#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class MenuBar;
class MainWindow;
class AboutBox;
class CompactWindow;

/// The application object: builds the menu bar, creates the main and compact windows,
/// routes menu commands (front window first) and switches between list display mode and
/// transfer window mode.
class App final : public QObject {
    Q_OBJECT
public:
    explicit App(QObject *parent = nullptr);
    ~App() override;

    /// The start-up sequence up to the event loop.
    void start();
    /// Loads Qt's own Japanese texts (qtbase_ja from Qt's translations folder) into the
    /// running application, once; false when they cannot be found.
    static bool installQtTranslations();

    static App *instance();
    MenuBar *menuBar() const { return m_menuBar.get(); }
    MainWindow *mainWindow() const;
    CompactWindow *compactWindow() const;
    AboutBox *aboutBox() const;

    /// Routes a menu command: the front window's handler first, then the application's.
    void dispatch(const QString &id);
    /// Applies the auto-enabled states, the front window's rules and the application's.
    void updateMenus();

    // The application's handlers.
    void showCompactWindow();
    void showListWindow();
    void openPreferences();
    void showAbout();
    /// The activation rule: with both windows hidden, transfer window mode and the compact
    /// window at its saved place.
    void activationRule();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleOwn(const QString &id);

    std::unique_ptr<MenuBar> m_menuBar;
    QPointer<MainWindow> m_main;
    QPointer<CompactWindow> m_compact;
    QPointer<AboutBox> m_about;
    bool m_quitting = false;
};
