#pragma once

#include "db/table_snapshot.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

// One column of a row whose write was refused because another user changed
// it: what it held when read, what the database holds now, what was typed.
struct ConflictCell {
    int column = 0;
    QString name;
    std::optional<QString> opened; // nullopt is NULL
    std::optional<QString> now;
    std::optional<QString> typed;  // nullopt: not typed; empty text is NULL
    bool changedByThem = false;
    bool changedByYou = false;
};

// The columns worth showing; `now` is nullopt for a row another user
// deleted, whose every column is then shown: those another user changed and those typed into
// (an empty typed text stands for NULL, as the grid writes it).
std::vector<ConflictCell> conflictingCells(const std::vector<QString> &names, const db::RowValues &opened,
                                           const std::optional<db::RowValues> &now,
                                           const std::map<int, QString> &typed);

// The values of a row as read again from the database, as the snapshot
// reads them; nullopt for a row that is gone.
std::optional<db::RowValues> valuesNow(const db::TableSnapshot::WrittenRow &now);

// What an undo of an update writes back, as the pending row holds typing
// (NULL as empty text), to stand for "mine" beside the other versions.
std::map<int, QString> undoneValues(const db::TableSnapshot::Changes &previous);
