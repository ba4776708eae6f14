#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

class QAbstractItemView;
class QAction;
class QMenu;

// The grid's menu on a right click, made on first use. Each feature adds its
// own entries; a key shown beside an entry is only shown, the grid handles it.
QMenu &gridContextMenu(QAbstractItemView &grid);
QAction *addGridContextEntry(QAbstractItemView &grid, const QString &text, const QKeySequence &key,
                             std::function<void()> handler);
