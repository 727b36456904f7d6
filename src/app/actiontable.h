#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

// The window's commands as one table. Each row makes one action (object name, text, status tip,
// icon, keys, what it runs) and adds it to the menus and toolbars it names, in table order; rows
// of separators, toolbar widgets and submenus stand in the same order, so every menu and toolbar
// reads top to bottom as the table does. A further command is one more row.
class ActionTable
{
public:
    struct Row
    {
        // icon: a file under the icon resources, nullptr for none. run: what `triggered` does,
        // empty for nothing. places: menus and toolbars, and the window itself where a shortcut
        // must work in it without a menu.
        Row(const char *id, const QString &text, const QString &statusTip, const char *icon,
            const QList<QKeySequence> &keys, std::function<void()> run,
            const QList<QWidget *> &places);

        // A check box action: it keeps its state between triggers.
        Row checkable() const;

        const char *id = nullptr;
        QString text;
        QString statusTip;
        const char *icon = nullptr;
        QList<QKeySequence> keys;
        std::function<void()> run;
        QList<QWidget *> places;
        bool isCheckable = false;
        // Set instead of id on the rows below.
        bool isSeparator = false;
        QWidget *widget = nullptr;
        QMenu *menu = nullptr;
    };

    static Row separator(const QList<QWidget *> &places);
    // A control on a toolbar.
    static Row widget(QWidget *control, const QList<QWidget *> &places);
    static Row submenu(QMenu *menu, const QList<QWidget *> &places);

    // Makes the actions of `rows` as children of `owner` and places every row.
    void build(QObject *owner, const std::vector<Row> &rows);
    // The action of that object name; nullptr when no row made it.
    QAction *action(const char *id) const;

private:
    QHash<QString, QAction *> m_actions;
};
