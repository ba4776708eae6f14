// What the grid offers after a delete or an undo was refused because
// another user changed or deleted the row since it was read.
#include "db/table_snapshot.h"
#include "editor/row_conflict.h"
#include "editor/table_model.h"
#include "editor/ui/conflict_dialog.h"
#include "editor/ui/data_grid.h"

#include <QScopeGuard>
#include <algorithm>
#include <utility>

namespace {

// Read again by its key, a row not found is gone; without a key it may only
// have changed, and the grid cannot tell which.
bool surelyGone(const db::TableSnapshot &snapshot, const db::TableSnapshot::WrittenRow &now)
{
    if (now.stored)
        return false;
    for (int c = 0; c < snapshot.columnCount(); ++c) {
        if (snapshot.column(c).inPrimaryKey)
            return true;
    }
    return false;
}

// Taking back an insert is deleting the row: another user deleted it
// already, or changed it, which the delete's choices answer.
void offerUndoneInsertConflict(QWidget *window, TableModel &model, const std::vector<QString> &names, int row,
                               const db::TableSnapshot::WrittenRow &now)
{
    if (!now.stored) {
        model.forgetGoneRow(row);
        return;
    }
    const std::vector<ConflictCell> cells =
        conflictingCells(names, model.snapshot()->rowValues(now.row), valuesNow(now), {});
    if (ConflictDialog::askAboutDelete(window, cells) == ConflictDialog::DeleteAnyway)
        model.undoInsertOverTheirs(now);
    else
        model.keepTheirsOverUndoneInsert(now);
}

} // namespace

std::vector<QString> DataGrid::columnNames() const
{
    std::vector<QString> names;
    if (const db::TableSnapshot *snapshot = model_->snapshot()) {
        for (int c = 0; c < snapshot->columnCount(); ++c)
            names.push_back(snapshot->column(c).name);
    }
    return names;
}

bool DataGrid::deleteRowsWatched(const std::vector<int> &rows)
{
    const auto outer = std::exchange(deleting_, rows);
    const auto restore = qScopeGuard([&] { deleting_ = outer; });
    return model_->deleteRows(rows);
}

void DataGrid::undoWatched()
{
    const bool outer = std::exchange(undoing_, true);
    const auto restore = qScopeGuard([&] { undoing_ = outer; });
    model_->undo();
}

void DataGrid::offerAfterRefusal(int row, const QString &reason)
{
    // A rule, a trigger or rows that cannot be told apart leave only the box.
    if (!reason.endsWith(db::RowConflictError::changedOrDeletedText))
        return;
    if (deleting_)
        offerDeleteConflict(row, *deleting_);
    else if (undoing_ && !model_->hasPendingEdit())
        offerUndoConflict(row);
}

void DataGrid::offerDeleteConflict(int row, std::vector<int> rows)
{
    const db::TableSnapshot *snapshot = model_->snapshot();
    if (!snapshot || std::find(rows.begin(), rows.end(), row) == rows.end())
        return;
    const std::optional<db::TableSnapshot::WrittenRow> now = model_->readRowNow(row);
    if (!now)
        return;
    if (!now->stored) {
        if (!surelyGone(*snapshot, *now))
            return;
        // Gone already, as the user wanted: it leaves the grid, and the
        // others go as asked.
        if (!model_->forgetGoneRow(row))
            return;
        std::erase(rows, row);
        for (int &other : rows) {
            if (other > row)
                --other;
        }
        if (!rows.empty())
            deleteRowsWatched(rows);
        return;
    }
    // One row decides for all: the rows go together, in one step, or none.
    const std::vector<ConflictCell> cells =
        conflictingCells(columnNames(), snapshot->rowValues(model_->tableRow(row)), valuesNow(*now), {});
    const ConflictDialog::DeleteChoice choice = ConflictDialog::askAboutDelete(window(), cells);
    model_->takeFreshRow(*now);
    // Changed yet again meanwhile, the delete is refused and this comes back.
    if (choice == ConflictDialog::DeleteAnyway)
        deleteRowsWatched(rows);
}

void DataGrid::offerUndoConflict(int row)
{
    const db::TableSnapshot *snapshot = model_->snapshot();
    const UndoHistory::Step *step = model_->nextUndo();
    // Deleted rows put back that are refused leave only the box: nobody's
    // change stood in their way.
    if (!snapshot || !step || step->kind == UndoHistory::Kind::Deleted || row < 0 || row >= model_->dataRowCount()
        || model_->tableRow(row) != step->row)
        return;
    const std::optional<db::TableSnapshot::WrittenRow> now = model_->readRowNow(row);
    if (!now)
        return;
    const bool gone = !now->stored;
    if (gone && !surelyGone(*snapshot, *now))
        return;
    if (step->kind == UndoHistory::Kind::Inserted) {
        offerUndoneInsertConflict(window(), *model_, columnNames(), row, *now);
        return;
    }
    const std::vector<ConflictCell> cells = conflictingCells(columnNames(), snapshot->rowValues(step->row),
                                                             valuesNow(*now), undoneValues(step->previous));
    const ConflictDialog::Choice choice = ConflictDialog::ask(window(), cells, gone, ConflictDialog::Mine::Undone);
    if (choice == ConflictDialog::WriteMine && gone)
        model_->putBackUndoneRow(row);
    else if (choice == ConflictDialog::WriteMine)
        model_->undoOverTheirs(*now);
    else if (choice == ConflictDialog::TakeTheirs && gone)
        model_->forgetGoneRow(row);
    else if (choice == ConflictDialog::TakeTheirs)
        model_->keepTheirsOverUndo(*now);
}
