#pragma once

#include <QKeySequence>
#include <QMenu>
#include <functional>

// The grid's context menu (right button or the menu key). Each entry runs
// its action; an entry with a test is greyed while the test says no, checked
// each time the menu opens.
class GridContextMenu : public QMenu {
    Q_OBJECT
public:
    explicit GridContextMenu(QWidget *parent);

    QAction *addEntry(const QString &text, std::function<void()> run, const QKeySequence &keys = {},
                      std::function<bool()> enabled = {});
};
