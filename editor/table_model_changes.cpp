// The model's changes beyond editing cells: new rows, deleting, undoing,
// NULL, copy and paste.
#include "editor/table_model.h"

#include "app/background_call.h"

#include "app/app_error.h"
#include "editor/cell_clipboard.h"

#include <algorithm>

void TableModel::startNewRow(int row)
{
    // The line below takes the new row's place: the current cell stays on
    // the row being typed, with a fresh line under it.
    beginInsertRows({}, row + 1, row + 1);
    newRowPending_ = true;
    pendingRow_ = row;
    endInsertRows();
}

void TableModel::dropNewRow()
{
    const int row = pendingRow_;
    pending_.clear();
    beginRemoveRows({}, row + 1, row + 1);
    newRowPending_ = false;
    pendingRow_ = -1;
    endRemoveRows();
    emitRowChanged(row);
}

void TableModel::announceRemoved(std::vector<qint64> rows)
{
    std::sort(rows.begin(), rows.end());
    // Back to front, a run of neighbours at a time, so that the numbers of
    // the runs still to come do not move.
    for (auto last = rows.rbegin(); last != rows.rend();) {
        auto first = last;
        while (std::next(first) != rows.rend() && *std::next(first) == *first - 1)
            ++first;
        beginRemoveRows({}, int(*first), int(*last));
        shownRows_ -= int(*last - *first + 1);
        endRemoveRows();
        last = std::next(first);
    }
}

void TableModel::announceInserted(const std::vector<qint64> &rows)
{
    for (qint64 row : rows) {
        beginInsertRows({}, int(row), int(row));
        ++shownRows_;
        endInsertRows();
    }
}

bool TableModel::setNull(const QModelIndex &index)
{
    if (!index.isValid() || !snapshot_ || !(flags(index) & Qt::ItemIsEditable) || isNewRowLine(index.row()))
        return false;
    const int row = index.row();
    if (pendingRow_ >= 0 && pendingRow_ != row && !commitPendingRow())
        return false;
    if (!isNewRow(row) && snapshot_->isNull(tableRow(row), index.column()))
        pending_.erase(index.column());
    else
        pending_[index.column()] = QString();
    const int previousPending = pendingRow_;
    pendingRow_ = pending_.empty() && !isNewRow(row) ? -1 : row;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (previousPending != pendingRow_)
        emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool TableModel::deleteRows(std::vector<int> rows)
{
    if (!snapshot_)
        return false;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int row) { return row < 0 || row >= dataRowCount(); });
    if (hasPendingEdit()) {
        const auto pending = std::find(rows.begin(), rows.end(), pendingRow_);
        if (pending == rows.end()) {
            // Written first, as any move away from it would.
            if (!commitPendingRow())
                return false;
        } else {
            // What was typed into a row that goes is dropped with it.
            if (isNewRow(pendingRow_))
                rows.erase(pending);
            revertPendingRow();
        }
    }
    if (rows.empty())
        return true;
    std::vector<qint64> targets;
    for (int row : rows)
        targets.push_back(tableRow(row));
    std::sort(targets.begin(), targets.end());
    UndoHistory::Step step = UndoHistory::deletion(*snapshot_, targets);
    const db::TableSnapshot *snapshot = snapshot_.get();
    auto deleted = std::make_shared<std::vector<qint64>>();
    bool cancelTooLate = false;
    try {
        cancelTooLate = runDatabaseCall(QStringLiteral("Deleting the rows..."),
                        [snapshot, targets, deleted] { *deleted = snapshot->sendDelete(targets); });
    } catch (const background::Cancelled &) {
        emit rowRejected(rows.front(), cancelledDeleteText.toString());
        return false;
    } catch (const db::RowConflictError &error) {
        const int failed = error.failedStatement();
        emit rowRejected(failed >= 0 && failed < int(targets.size()) ? int(order_.gridRow(targets[size_t(failed)]))
                                                                     : rows.front(),
                         error.description());
        return false;
    } catch (const AppError &error) {
        emit rowRejected(rows.front(), error.description());
        return false;
    }
    snapshot_->keepDeletedRows(*deleted);
    history_.record(std::move(step));
    announceRemoved(order_.removeTableRows(targets));
    if (cancelTooLate)
        emit cancelCameTooLate(deletedBeforeCancelText.toString());
    return true;
}

bool TableModel::undo()
{
    if (!snapshot_)
        return false;
    if (hasPendingEdit()) {
        revertPendingRow();
        return true;
    }
    UndoHistory::Undone undone;
    bool cancelTooLate = false;
    try {
        undone = history_.undoLast(*snapshot_, [this, &cancelTooLate](std::function<void()> call) {
            cancelTooLate = runDatabaseCall(QStringLiteral("Writing the row..."), std::move(call)) || cancelTooLate;
        });
    } catch (const background::Cancelled &) {
        emit rowRejected(-1, cancelledUndoText.toString());
        return false;
    } catch (const AppError &error) {
        emit rowRejected(-1, error.description());
        return false;
    }
    switch (undone.kind) {
    case UndoHistory::Kind::Updated:
        for (qint64 row : undone.rows) {
            const qint64 shown = order_.gridRow(row);
            if (shown >= 0)
                emitRowChanged(int(shown));
            else
                narrowable_ = false;
        }
        break;
    case UndoHistory::Kind::Inserted: {
        std::vector<qint64> taken = undone.rows;
        std::sort(taken.begin(), taken.end());
        announceRemoved(order_.removeTableRows(taken));
        break;
    }
    case UndoHistory::Kind::Deleted: {
        std::vector<qint64> shown;
        for (qint64 row : undone.rows) {
            const qint64 at = order_.insertTableRow(row, filter_.matches(*snapshot_, row));
            if (at >= 0)
                shown.push_back(at);
        }
        announceInserted(shown);
        break;
    }
    }
    if (cancelTooLate)
        emit cancelCameTooLate(undoneBeforeCancelText.toString());
    return true;
}

QString TableModel::copyText(int top, int left, int bottom, int right) const
{
    std::vector<int> columns;
    for (int column = qMax(left, 0); column <= qMin(right, columnCount() - 1); ++column)
        columns.push_back(column);
    return copyText(top, bottom, columns);
}

QString TableModel::copyText(int top, int bottom, const std::vector<int> &columns) const
{
    std::vector<QStringList> rows;
    bottom = qMin(bottom, dataRowCount() - 1);
    for (int row = qMax(top, 0); row <= bottom; ++row) {
        QStringList cells;
        for (int column : columns)
            cells << cellText(row, column);
        rows.push_back(cells);
    }
    return cellsToTabText(rows);
}

bool TableModel::pasteText(int row, int column, const QString &text)
{
    std::vector<int> columns;
    for (int c = qMax(column, 0); c < columnCount(); ++c)
        columns.push_back(c);
    return pasteText(row, columns, text);
}

bool TableModel::pasteText(int row, const std::vector<int> &columns, const QString &text)
{
    if (!snapshot_)
        return false;
    // Columns whose cells did not take the text pasted over them, in order.
    std::vector<int> leftOut;
    const auto reportLeftOut = [&] {
        if (leftOut.empty())
            return;
        std::sort(leftOut.begin(), leftOut.end());
        QStringList names;
        for (int c : leftOut)
            names << QStringLiteral("\"%1\"").arg(snapshot_->column(c).name);
        emit pasteLeftOut(pasteLeftOutText.toString().arg(names.join(QStringLiteral(", "))));
    };
    for (const QStringList &cells : cellsFromTabText(text)) {
        if (row > dataRowCount())
            break;
        std::vector<std::pair<int, QString>> notTaken;
        for (int j = 0; j < cells.size() && size_t(j) < columns.size(); ++j) {
            const int c = columns[size_t(j)];
            const QModelIndex target = index(row, c);
            if (!(flags(target) & Qt::ItemIsEditable)) {
                notTaken.emplace_back(c, cells[j]);
                continue;
            }
            if (!setData(target, cells[j])) {
                reportLeftOut();
                return false;
            }
        }
        if (pendingRow_ == row && !commitPendingRow()) {
            reportLeftOut();
            return false;
        }
        // Text the cell holds once the row is written (a computed value
        // pasted with the values it follows from) loses nothing.
        for (const auto &[c, pasted] : notTaken) {
            const bool lost = isNewRowLine(row) ? !pasted.isEmpty() : pasted != cellText(row, c);
            if (lost && std::find(leftOut.begin(), leftOut.end(), c) == leftOut.end())
                leftOut.push_back(c);
        }
        // Nothing pasted into the new-row line leaves it where it is.
        if (!isNewRowLine(row))
            ++row;
    }
    reportLeftOut();
    return true;
}
