#pragma once

#include "db/table_snapshot.h"

#include <QString>
#include <functional>
#include <vector>

// The changes written to the table since it was opened, newest last, each
// with what takes it back. Row numbers are those of the snapshot right after
// the change, so that undoing the steps newest first finds every row where
// its step left it.
class UndoHistory {
public:
    enum class Kind { Updated, Inserted, Deleted };

    struct Step {
        Kind kind = Kind::Updated;
        qint64 row = -1;                                // Updated, Inserted
        db::TableSnapshot::Changes previous;            // Updated: the values before
        std::vector<db::TableSnapshot::NewRow> removed; // Deleted: the rows as they were, ascending
        QString notRestorable;                          // Deleted: why they cannot be put back
    };

    // What undoing a step did to the snapshot's rows.
    struct Undone {
        Kind kind = Kind::Updated;
        std::vector<qint64> rows; // Updated: the row; Inserted: the row taken out; Deleted: the rows put back
    };

    void clear() { steps_.clear(); }
    bool isEmpty() const { return steps_.empty(); }

    void recordUpdate(qint64 row, db::TableSnapshot::Changes previous);
    void recordInsert(qint64 row);
    // Taken before the rows are deleted, recorded once they are.
    static Step deletion(const db::TableSnapshot &snapshot, const std::vector<qint64> &rows);
    void record(Step step) { steps_.push_back(std::move(step)); }

    // Takes back the newest step with a write under the usual rules: an
    // update writes the previous values back, an insert deletes the row, a
    // delete inserts the rows again. When the write fails (another user
    // changed the row since) the step stays and the error passes on. The
    // database's part runs through `run`, which may run it beside the window
    // and give up on it; it holds its own copy of what it needs.
    using Runner = std::function<void(std::function<void()> call)>;
    Undone undoLast(db::TableSnapshot &snapshot, const Runner &run = {});

private:
    std::vector<Step> steps_;
};
