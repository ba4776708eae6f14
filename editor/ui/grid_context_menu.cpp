#include "editor/ui/grid_context_menu.h"

#include <QAbstractItemView>
#include <QMenu>

QMenu &gridContextMenu(QAbstractItemView &grid)
{
    const QString name = QStringLiteral("GridContextMenu");
    if (auto *menu = grid.findChild<QMenu *>(name, Qt::FindDirectChildrenOnly))
        return *menu;
    auto *menu = new QMenu(&grid);
    menu->setObjectName(name);
    grid.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&grid, &QWidget::customContextMenuRequested, menu, [&grid, menu](const QPoint &position) {
        menu->popup(grid.viewport()->mapToGlobal(position));
    });
    return *menu;
}

QAction *addGridContextEntry(QAbstractItemView &grid, const QString &text, const QKeySequence &key,
                             std::function<void()> handler)
{
    QMenu &menu = gridContextMenu(grid);
    QAction *action = menu.addAction(text);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut); // shown only; never fires from the hidden menu
    QObject::connect(action, &QAction::triggered, &menu, [handler = std::move(handler)] { handler(); });
    return action;
}
