#pragma once

#include "db/table_snapshot.h"

#include <QString>
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
        // Inserted: the row took the place of one another user had deleted,
        // so that the steps before it counted the row; undoing it takes the
        // row out of their counts too.
        bool inPlace = false;
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
    // An insert of a row put back where one another user deleted was shown.
    void recordInsertInPlace(qint64 row);
    // Taken before the rows are deleted, recorded once they are.
    static Step deletion(const db::TableSnapshot &snapshot, const std::vector<qint64> &rows);
    void record(Step step) { steps_.push_back(std::move(step)); }

    // The step an undo takes back next; nullptr when there is none.
    const Step *newest() const { return steps_.empty() ? nullptr : &steps_.back(); }
    // Forgets the newest step without taking it back.
    void dropNewest()
    {
        if (!steps_.empty())
            steps_.pop_back();
    }
    // The snapshot's row `row` left it without a step of ours (another user
    // deleted it): the steps that concern that row can no longer be taken
    // back and go; the others are renumbered so that each still finds its
    // rows where the steps after it leave them.
    void forgetRow(qint64 row);

    // Taking a step back comes in two halves, as the snapshot's changes do.
    // sendUndo writes what takes the step back under the usual rules (an
    // update writes the previous values back, an insert deletes the row, a
    // delete inserts the rows again); it only reads the snapshot and may run
    // beside the window. When it fails (another user changed the row since)
    // nothing changes and the step stays. keepUndone then puts what the
    // database gave back into the snapshot and drops the step.
    struct Sent {
        std::vector<db::TableSnapshot::WrittenRow> written; // Updated: the row; Deleted: the rows put back
        std::vector<qint64> deleted;                        // Inserted: the row taken out
    };
    static Sent sendUndo(const db::TableSnapshot &snapshot, const Step &step);
    Undone keepUndone(db::TableSnapshot &snapshot, const Sent &sent);

private:
    std::vector<Step> steps_;
};
