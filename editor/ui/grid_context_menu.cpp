#include "editor/ui/grid_context_menu.h"

GridContextMenu::GridContextMenu(QWidget *parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("GridContextMenu"));
}

QAction *GridContextMenu::addEntry(const QString &text, std::function<void()> run, const QKeySequence &keys,
                                   std::function<bool()> enabled)
{
    QAction *action = addAction(text);
    // The keys are shown beside the entry; the grid itself handles them, so
    // they work without the menu open.
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, std::move(run));
    if (enabled)
        connect(this, &QMenu::aboutToShow, action, [action, enabled] { action->setEnabled(enabled()); });
    return action;
}
