#include "editor/undo_history.h"

#include "app/app_error.h"

#include <algorithm>

void UndoHistory::recordUpdate(qint64 row, db::TableSnapshot::Changes previous)
{
    Step step;
    step.kind = Kind::Updated;
    step.row = row;
    step.previous = std::move(previous);
    steps_.push_back(std::move(step));
}

void UndoHistory::recordInsert(qint64 row)
{
    Step step;
    step.kind = Kind::Inserted;
    step.row = row;
    steps_.push_back(std::move(step));
}

UndoHistory::Step UndoHistory::deletion(const db::TableSnapshot &snapshot, const std::vector<qint64> &rows)
{
    Step step;
    step.kind = Kind::Deleted;
    std::vector<qint64> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (qint64 row : sorted) {
        // Put back in ascending order at their old places, the rows end up
        // exactly where they were.
        if (auto values = snapshot.restoringValues(row))
            step.removed.push_back({row, std::move(*values)});
        else
            step.notRestorable = QStringLiteral("The deleted rows cannot be put back: one of them holds a value "
                                                "in a column that cannot be written here.");
    }
    return step;
}

UndoHistory::Sent UndoHistory::sendUndo(const db::TableSnapshot &snapshot, const Step &step)
{
    Sent sent;
    switch (step.kind) {
    case Kind::Updated:
        sent.written.push_back(snapshot.sendRow(step.row, step.previous));
        break;
    case Kind::Inserted:
        sent.deleted = snapshot.sendDelete({step.row});
        break;
    case Kind::Deleted:
        if (!step.notRestorable.isEmpty())
            throw AppError(step.notRestorable);
        sent.written = snapshot.sendInsert(step.removed);
        break;
    }
    return sent;
}

UndoHistory::Undone UndoHistory::keepUndone(db::TableSnapshot &snapshot, const Sent &sent)
{
    if (steps_.empty())
        return {};
    const Step &step = steps_.back();
    Undone undone{step.kind, {}};
    switch (step.kind) {
    case Kind::Updated:
        snapshot.keepWrittenRow(sent.written.front());
        undone.rows = {step.row};
        break;
    case Kind::Inserted:
        snapshot.keepDeletedRows(sent.deleted);
        undone.rows = {step.row};
        break;
    case Kind::Deleted:
        snapshot.keepInsertedRows(sent.written);
        for (const auto &row : step.removed)
            undone.rows.push_back(row.position);
        break;
    }
    steps_.pop_back();
    return undone;
}
