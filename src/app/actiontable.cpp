#include "actiontable.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QToolBar>

#include <utility>

namespace {

// Where the icon files are compiled in.
const QString IconPrefix = QStringLiteral(":/new/prefix1/rec/");

} // namespace

ActionTable::Row::Row(const char *objectName, const QString &actionText, const QString &tip,
                      const char *iconFile, const QList<QKeySequence> &shortcuts,
                      std::function<void()> slot, const QList<QWidget *> &where)
    : id(objectName), text(actionText), statusTip(tip), icon(iconFile), keys(shortcuts),
      run(std::move(slot)), places(where)
{
}

ActionTable::Row ActionTable::Row::checkable() const
{
    Row row = *this;
    row.isCheckable = true;
    return row;
}

ActionTable::Row ActionTable::separator(const QList<QWidget *> &places)
{
    Row row(nullptr, QString(), QString(), nullptr, {}, nullptr, places);
    row.isSeparator = true;
    return row;
}

ActionTable::Row ActionTable::widget(QWidget *control, const QList<QWidget *> &places)
{
    Row row(nullptr, QString(), QString(), nullptr, {}, nullptr, places);
    row.widget = control;
    return row;
}

ActionTable::Row ActionTable::submenu(QMenu *menu, const QList<QWidget *> &places)
{
    Row row(nullptr, QString(), QString(), nullptr, {}, nullptr, places);
    row.menu = menu;
    return row;
}

void ActionTable::build(QObject *owner, const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        QAction *action = nullptr;
        if (row.id) {
            action = row.icon
                         ? new QAction(QIcon(IconPrefix + QLatin1String(row.icon)), row.text, owner)
                         : new QAction(row.text, owner);
            action->setObjectName(QLatin1String(row.id));
            if (!row.statusTip.isEmpty())
                action->setStatusTip(row.statusTip);
            // Every binding given, e.g. both Ctrl+Shift+Z and Ctrl+Y for redo.
            if (!row.keys.isEmpty())
                action->setShortcuts(row.keys);
            action->setCheckable(row.isCheckable);
            if (row.run)
                QObject::connect(action, &QAction::triggered, owner, row.run);
            m_actions.insert(action->objectName(), action);
        } else if (row.menu) {
            action = row.menu->menuAction();
        }
        for (QWidget *place : row.places) {
            if (row.isSeparator) {
                if (auto *menu = qobject_cast<QMenu *>(place))
                    menu->addSeparator();
                else if (auto *bar = qobject_cast<QToolBar *>(place))
                    bar->addSeparator();
            } else if (row.widget) {
                if (auto *bar = qobject_cast<QToolBar *>(place))
                    bar->addWidget(row.widget);
            } else {
                place->addAction(action);
            }
        }
    }
}

QAction *ActionTable::action(const char *id) const
{
    return m_actions.value(QLatin1String(id));
}
