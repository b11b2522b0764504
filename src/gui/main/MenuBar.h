#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

/// The one menu bar every window shares: its menus and items with their captions,
/// shortcuts (Ctrl here) and auto-enabled flags. Items are found by their command
/// identifier; a triggered item is reported by identifier for routing.
class MenuBar final : public QObject {
    Q_OBJECT
public:
    struct Item {
        QString id;       // command identifier; empty for the items that have none
        QString caption;  // "-" for a separator
        QChar key;        // shortcut letter with Ctrl, or null
        bool autoEnable = false;
    };
    struct Menu {
        QString id;
        QString caption;
        QList<Item> items;
    };

    explicit MenuBar(QObject *parent = nullptr);
    ~MenuBar() override;

    /// The menus as the program defines them, in bar order.
    static const QList<Menu> &layout();

    /// The item of that identifier, or nullptr.
    QAction *action(const QString &id) const;
    /// Items without an identifier, by caption (the Window and Help menus' fixed items).
    QAction *actionByCaption(const QString &caption) const;
    QList<QAction *> allActions() const;
    const QList<QMenu *> &menus() const { return m_menus; }
    bool isAutoEnabled(QAction *action) const;

    /// Puts every item back to its auto-enabled state; enable rules then switch items on.
    void applyAutoEnable();
    /// A menu bar widget showing these menus, for a window that has one.
    QMenuBar *createMenuBar(QWidget *parent) const;

signals:
    void triggered(const QString &id);
    /// A menu is about to open: time to run the enable rules.
    void aboutToShow();

private:
    QList<QMenu *> m_menus;
    QHash<QString, QAction *> m_byId;
    QHash<QAction *, bool> m_auto;
    std::unique_ptr<QWidget> m_owner; // parent of the menus, never shown
};
