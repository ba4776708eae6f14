#include "editor/undo_history.h"

#include "app/app_error.h"

#include <algorithm>
#include <memory>

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

UndoHistory::Undone UndoHistory::undoLast(db::TableSnapshot &snapshot, const Runner &run)
{
    if (steps_.empty())
        return {};
    const auto runCall = [&run](std::function<void()> call) {
        if (run)
            run(std::move(call));
        else
            call();
    };
    const db::TableSnapshot *source = &snapshot;
    const Step &step = steps_.back();
    Undone undone{step.kind, {}};
    switch (step.kind) {
    case Kind::Updated: {
        auto written = std::make_shared<db::TableSnapshot::WrittenRow>();
        runCall([source, row = step.row, previous = step.previous, written] {
            *written = source->sendRow(row, previous);
        });
        snapshot.keepWrittenRow(*written);
        undone.rows = {step.row};
        break;
    }
    case Kind::Inserted: {
        auto deleted = std::make_shared<std::vector<qint64>>();
        runCall([source, row = step.row, deleted] { *deleted = source->sendDelete({row}); });
        snapshot.keepDeletedRows(*deleted);
        undone.rows = {step.row};
        break;
    }
    case Kind::Deleted: {
        if (!step.notRestorable.isEmpty())
            throw AppError(step.notRestorable);
        auto inserted = std::make_shared<std::vector<db::TableSnapshot::WrittenRow>>();
        runCall([source, removed = step.removed, inserted] { *inserted = source->sendInsert(removed); });
        snapshot.keepInsertedRows(*inserted);
        for (const auto &row : step.removed)
            undone.rows.push_back(row.position);
        break;
    }
    }
    steps_.pop_back();
    return undone;
}
