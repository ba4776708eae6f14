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

void UndoHistory::recordInsertInPlace(qint64 row)
{
    recordInsert(row);
    steps_.back().inPlace = true;
}

void UndoHistory::forgetRow(qint64 row)
{
    // Newest first, `row` following the forgotten row back through the
    // states the steps leave, as long as it existed in them.
    for (size_t i = steps_.size(); i-- > 0;) {
        Step &step = steps_[i];
        switch (step.kind) {
        case Kind::Updated:
            if (step.row == row)
                steps_.erase(steps_.begin() + std::ptrdiff_t(i));
            else if (step.row > row)
                --step.row;
            break;
        case Kind::Inserted:
            if (step.row == row) {
                // Before this step the row was not there: nothing older concerns it.
                steps_.erase(steps_.begin() + std::ptrdiff_t(i));
                return;
            }
            if (step.row > row)
                --step.row;
            else
                --row;
            break;
        case Kind::Deleted:
            // Before this step the rows it took out were in place again.
            for (const auto &removed : step.removed) {
                if (removed.position <= row)
                    ++row;
            }
            for (auto &removed : step.removed) {
                if (removed.position > row)
                    --removed.position;
            }
            break;
        }
    }
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
        if (step.inPlace) {
            const qint64 row = step.row;
            steps_.pop_back();
            forgetRow(row);
            return undone;
        }
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
