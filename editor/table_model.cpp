#include "editor/table_model.h"

#include "app/app_error.h"
#include "app/background_call.h"
#include "editor/cell_tooltip.h"

#include <QBrush>
#include <QScopedValueRollback>
#include <QFont>
#include <algorithm>

TableModel::TableModel(QObject *parent) : QAbstractTableModel(parent) {}

// A write the user gave up waiting for may still be using the table's
// connection: the snapshot goes only once the worker has let go of it.
TableModel::~TableModel()
{
    stopReading();
    releaseSnapshot();
}

void TableModel::setSnapshot(std::unique_ptr<db::TableSnapshot> snapshot)
{
    stopReading();
    beginResetModel();
    releaseSnapshot();
    snapshot_ = std::move(snapshot);
    order_.clear();
    filter_ = {};
    pendingRow_ = -1;
    newRowPending_ = false;
    pending_.clear();
    emptyTextKept_.clear();
    shownRows_ = snapshot_ ? int(snapshot_->rowCount()) : 0;
    history_.clear();
    endResetModel();
    // A table opened with its first rows only: the rest come beside the window.
    ++readGeneration_;
    readNextPart();
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !snapshot_)
        return 0;
    return dataRowCount() + 1;
}

int TableModel::dataRowCount() const
{
    return snapshot_ ? shownRows_ + (newRowPending_ ? 1 : 0) : 0;
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !snapshot_)
        return 0;
    return snapshot_->columnCount();
}

QString TableModel::cellText(int row, int column) const
{
    if (row == pendingRow_) {
        const auto edited = pending_.find(column);
        if (edited != pending_.end())
            return edited->second;
    }
    return snapshot_->text(tableRow(row), column);
}

bool TableModel::isNullCell(int row, int column) const
{
    if (!snapshot_ || row < 0 || column < 0 || column >= snapshot_->columnCount() || isNewRowLine(row))
        return false;
    if (row == pendingRow_) {
        const auto edited = pending_.find(column);
        // An emptied cell is written as NULL.
        if (edited != pending_.end())
            return edited->second.isEmpty() && !emptyTextKept_.contains(column);
        // A new row's untouched cell takes the column's default.
        if (isNewRow(row))
            return false;
    }
    if (row >= dataRowCount())
        return false;
    return snapshot_->isNull(tableRow(row), column);
}

bool TableModel::isNumericColumn(int column) const
{
    return snapshot_ && db::isNumberKind(snapshot_->column(column).kind);
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !snapshot_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return isNumericColumn(index.column()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                               : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole:
    case Qt::StatusTipRole: {
        // Its digits rarely tell a binary value's size at a glance.
        // A new row's untouched cell has no value yet: it takes the default.
        const bool hasValue = !isNewRowLine(index.row())
            && !(isNewRow(index.row()) && !pending_.contains(index.column()));
        if (isBinaryColumn(index.column()) && snapshot_->column(index.column()).editable && hasValue)
            return (isNullCell(index.row(), index.column()) ? nullToolTip.toString()
                                                            : binaryToolTip(cellText(index.row(), index.column())))
                + u'\n' + binaryColumnText.toString();
        // Typing into such a cell does nothing; this says why.
        const QString reason = readOnlyReason(index.column());
        if (!reason.isEmpty())
            return reason;
        return isNullCell(index.row(), index.column()) ? QVariant(nullToolTip.toString()) : QVariant();
    }
    case Qt::BackgroundRole:
        // A NULL cell shows empty text, as exports and Find read it; only its
        // tint tells it from a cell holding empty text.
        return isNullCell(index.row(), index.column()) ? QVariant(QBrush(nullTint)) : QVariant();
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::ToolTipRole && snapshot_ && section < shownRows_
        && !snapshot_->isReadBack(tableRow(section)))
        return QStringLiteral("Written, but not found again: the values the database gave it show when the table "
                              "is opened again.");
    if (role != Qt::DisplayRole || !snapshot_)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= snapshot_->columnCount())
            return {};
        return snapshot_->column(section).name;
    }
    // The row being edited is marked, as a record selector would, and so is
    // the line where new rows are typed.
    if (section == pendingRow_)
        return QStringLiteral("\u270E");
    if (isNewRowLine(section))
        return QStringLiteral("*");
    if (section < shownRows_ && !snapshot_->isReadBack(tableRow(section)))
        return QStringLiteral("?");
    return QString();
}

bool TableModel::isBinaryColumn(int column) const
{
    return snapshot_ && column >= 0 && column < snapshot_->columnCount()
        && snapshot_->column(column).kind == db::ColumnKind::Binary;
}

QString TableModel::readOnlyReason(int column) const
{
    // Typed hex digits would be a poor way to change bytes; a file is the way.
    if (isBinaryColumn(column) && snapshot_->column(column).editable)
        return binaryColumnText.toString();
    if (!snapshot_ || column < 0 || column >= snapshot_->columnCount() || snapshot_->column(column).editable)
        return {};
    const QString reason = snapshot_->column(column).readOnlyReason;
    return reason.isEmpty() ? QStringLiteral("This column cannot be changed here.") : reason;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || !snapshot_)
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // New rows join the table at its end, which is not there until the read is.
    if (snapshot_->column(index.column()).editable && !isBinaryColumn(index.column())
        && !(isNewRowLine(index.row()) && isReading()))
        result |= Qt::ItemIsEditable;
    return result;
}

bool TableModel::takesValue(const QModelIndex &index) const
{
    return (flags(index) & Qt::ItemIsEditable)
        || (puttingBinary_ && isBinaryColumn(index.column()) && snapshot_->column(index.column()).editable);
}

bool TableModel::setBinary(const QModelIndex &index, const std::optional<QString> &binaryText)
{
    if (!index.isValid() || !isBinaryColumn(index.column()))
        return false;
    const QScopedValueRollback<bool> putting(puttingBinary_, true);
    if (!binaryText)
        return setNull(index);
    // No bytes at all is a value, not NULL.
    if (binaryText->isEmpty())
        return setEmptyText(index);
    return setData(index, *binaryText);
}

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !snapshot_ || !takesValue(index))
        return false;
    const int row = index.row();
    const int column = index.column();
    // One row is edited at a time: an edit elsewhere first commits the other.
    if (pendingRow_ >= 0 && pendingRow_ != row && !commitPendingRow())
        return false;

    const QString text = value.toString();
    if (isNewRowLine(row)) {
        if (text.isEmpty())
            return true;
        startNewRow(row);
    }
    // Leaving a cell as it was is no change (an empty text that is not NULL
    // stays so); clearing a cell that held a value makes it NULL. A cell of
    // a new row left empty takes the column's default.
    const bool unchanged = isNewRow(row) ? text.isEmpty() : text == snapshot_->text(tableRow(row), column);
    emptyTextKept_.erase(column);
    if (unchanged)
        pending_.erase(column);
    else
        pending_[column] = text;
    if (isNewRow(row) && pending_.empty()) {
        dropNewRow();
        return true;
    }
    const int previousPending = pendingRow_;
    pendingRow_ = pending_.empty() ? -1 : row;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (previousPending != pendingRow_)
        emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool TableModel::commitPendingRow()
{
    if (pendingRow_ < 0)
        return true;
    const int row = pendingRow_;
    // A new row is typed below the others and joins the table at its end.
    const qint64 target = tableRow(row);
    db::TableSnapshot::Changes changes, previous;
    for (const auto &[column, text] : pending_) {
        // An empty cell means NULL, as in Oracle, unless empty text was asked
        // for by name.
        if (text.isEmpty() && !emptyTextKept_.contains(column))
            changes.emplace_back(column, std::nullopt);
        else
            changes.emplace_back(column, text);
        if (!newRowPending_)
            previous.emplace_back(column, snapshot_->isNull(target, column)
                                              ? std::nullopt
                                              : std::optional(snapshot_->text(target, column)));
    }
    // The snapshot outlives the call: it is released only after the worker's
    // calls (see setSnapshot).
    const db::TableSnapshot *snapshot = snapshot_.get();
    const bool inserting = newRowPending_;
    return callDatabase(
        {QStringLiteral("Writing the row..."), cancelledWriteText, writtenBeforeCancelText}, {row},
        [snapshot, target, changes, inserting] {
            if (inserting)
                return snapshot->sendInsert({{target, changes}});
            return std::vector<db::TableSnapshot::WrittenRow>{snapshot->sendRow(target, changes)};
        },
        [&](const std::vector<db::TableSnapshot::WrittenRow> &written) {
            if (newRowPending_) {
                // The new row is the snapshot's now; the line stays below it.
                snapshot_->keepInsertedRows(written);
                ++shownRows_;
                newRowPending_ = false;
                order_.appendTableRow(target);
                history_.recordInsert(target);
            } else {
                snapshot_->keepWrittenRow(written.front());
                history_.recordUpdate(target, std::move(previous));
            }
            pending_.clear();
            emptyTextKept_.clear();
            pendingRow_ = -1;
            emitRowChanged(row);
        });
}

bool TableModel::reloadRow(int row)
{
    if (!snapshot_ || row < 0 || row >= dataRowCount() || isNewRow(row))
        return true;
    const qint64 target = tableRow(row);
    const db::TableSnapshot *snapshot = snapshot_.get();
    return callDatabase({QStringLiteral("Reading the row..."), {}, {}}, {row},
                        [snapshot, target] { return snapshot->sendRowRead(target); },
                        [&](const db::TableSnapshot::WrittenRow &fresh) {
                            snapshot_->keepFreshRow(fresh);
                            emitRowChanged(row);
                        });
}

std::optional<db::TableSnapshot::WrittenRow> TableModel::readRowNow(int row)
{
    if (!snapshot_ || row < 0 || row >= dataRowCount() || isNewRow(row))
        return std::nullopt;
    const qint64 target = tableRow(row);
    const db::TableSnapshot *snapshot = snapshot_.get();
    std::optional<db::TableSnapshot::WrittenRow> now;
    callDatabase({QStringLiteral("Reading the row..."), {}, {}}, {row},
                 [snapshot, target] {
                     try {
                         return snapshot->sendRowRead(target);
                     } catch (const db::RowConflictError &) {
                         return db::TableSnapshot::WrittenRow{target, {}, {}, std::nullopt};
                     }
                 },
                 [&](const db::TableSnapshot::WrittenRow &fresh) { now = fresh; });
    return now;
}

void TableModel::takeFreshRow(const db::TableSnapshot::WrittenRow &fresh)
{
    if (!snapshot_)
        return;
    snapshot_->keepFreshRow(fresh);
    if (fresh.row >= 0 && fresh.row < snapshot_->rowCount()) {
        const qint64 row = order_.gridRow(fresh.row);
        if (row >= 0)
            emitRowChanged(int(row));
    }
}

bool TableModel::insertPendingRowAgain()
{
    if (!snapshot_ || pendingRow_ < 0 || newRowPending_)
        return false;
    db::TableSnapshot::Changes typed;
    for (const auto &[column, text] : pending_) {
        const bool null = text.isEmpty() && !emptyTextKept_.contains(column);
        typed.emplace_back(column, null ? std::nullopt : std::optional(text));
    }
    return putRowBack(pendingRow_, typed, [this] {
        pending_.clear();
        emptyTextKept_.clear();
        pendingRow_ = -1;
    });
}

bool TableModel::putRowBack(int row, const db::TableSnapshot::Changes &over, const std::function<void()> &recorded)
{
    const qint64 target = tableRow(row);
    const std::optional<db::TableSnapshot::Changes> opened = snapshot_->restoringValues(target);
    if (!opened) {
        emit rowRejected(row, cannotPutBackText.toString());
        return false;
    }
    db::TableSnapshot::Changes values;
    for (const auto &value : *opened) {
        const bool replaced =
            std::any_of(over.begin(), over.end(), [&](const auto &given) { return given.first == value.first; });
        if (!replaced)
            values.push_back(value);
    }
    values.insert(values.end(), over.begin(), over.end());
    const db::TableSnapshot *snapshot = snapshot_.get();
    return callDatabase(
        {QStringLiteral("Writing the row..."), cancelledWriteText, writtenBeforeCancelText}, {row},
        [snapshot, target, values] { return snapshot->sendInsert({{target, values}}); },
        [&](const std::vector<db::TableSnapshot::WrittenRow> &inserted) {
            // The row inserted takes the place of the one that was gone:
            // the table keeps its count and the grid its order.
            snapshot_->keepWrittenRow(inserted.front());
            recorded();
            history_.recordInsertInPlace(target);
            emitRowChanged(row);
        });
}

bool TableModel::forgetGoneRow(int row)
{
    if (!snapshot_ || row < 0 || row >= shownRows_ || (hasPendingEdit() && pendingRow_ != row))
        return false;
    revertPendingRow();
    const qint64 target = tableRow(row);
    removeRows({target}, [&] {
        snapshot_->keepDeletedRows({target});
        history_.forgetRow(target);
    });
    return true;
}

bool TableModel::undoOverTheirs(const db::TableSnapshot::WrittenRow &now)
{
    const UndoHistory::Step *step = history_.newest();
    if (!snapshot_ || hasPendingEdit() || !step || step->kind != UndoHistory::Kind::Updated || step->row != now.row
        || !now.stored)
        return false;
    takeFreshRow(now);
    // What undo writes over now, for the step that takes it back.
    db::TableSnapshot::Changes theirs;
    for (const auto &change : step->previous) {
        const int column = change.first;
        theirs.emplace_back(column, snapshot_->isNull(now.row, column)
                                        ? std::nullopt
                                        : std::optional(snapshot_->text(now.row, column)));
    }
    if (!undo())
        return false;
    history_.recordUpdate(now.row, std::move(theirs));
    return true;
}

void TableModel::keepTheirsOverUndo(const db::TableSnapshot::WrittenRow &now)
{
    const UndoHistory::Step *step = history_.newest();
    if (!snapshot_ || !step || step->kind != UndoHistory::Kind::Updated || step->row != now.row)
        return;
    takeFreshRow(now);
    history_.dropNewest();
}

bool TableModel::undoInsertOverTheirs(const db::TableSnapshot::WrittenRow &now)
{
    const UndoHistory::Step *step = history_.newest();
    if (!snapshot_ || hasPendingEdit() || !step || step->kind != UndoHistory::Kind::Inserted || step->row != now.row
        || !now.stored)
        return false;
    takeFreshRow(now);
    UndoHistory::Step theirs = UndoHistory::deletion(*snapshot_, {now.row});
    if (!undo())
        return false;
    history_.record(std::move(theirs));
    return true;
}

void TableModel::keepTheirsOverUndoneInsert(const db::TableSnapshot::WrittenRow &now)
{
    const UndoHistory::Step *step = history_.newest();
    if (!snapshot_ || !step || step->kind != UndoHistory::Kind::Inserted || step->row != now.row)
        return;
    takeFreshRow(now);
    history_.dropNewest();
}

bool TableModel::putBackUndoneRow(int row)
{
    const UndoHistory::Step *step = history_.newest();
    if (!snapshot_ || hasPendingEdit() || !step || step->kind != UndoHistory::Kind::Updated || row < 0
        || row >= shownRows_ || step->row != tableRow(row))
        return false;
    // The step is replaced by the insert once that is written.
    return putRowBack(row, step->previous, [this] { history_.dropNewest(); });
}

bool TableModel::waitForCall(const CallTexts &texts, const RefusalRow &refusal, std::function<void()> call,
                             bool &cancelTooLate)
{
    // Rows of the read that come meanwhile are kept once this call's are.
    struct Waiting {
        TableModel &model;
        explicit Waiting(TableModel &model) : model(model) { ++model.callsWaiting_; }
        ~Waiting()
        {
            --model.callsWaiting_;
            model.takeHeldReadPart();
        }
    } waiting(*this);
    try {
        if (wait_)
            cancelTooLate = wait_(texts.waiting, std::move(call));
        else
            call();
        return true;
    } catch (const background::Cancelled &cancelled) {
        emit rowRejected(refusal.row, texts.givenUp.isEmpty() ? cancelled.description() : texts.givenUp.toString());
    } catch (const AppError &error) {
        emit rowRejected(refusal.rowOfFailure ? refusal.rowOfFailure(error) : refusal.row, error.description());
    }
    return false;
}

void TableModel::revertPendingRow()
{
    if (pendingRow_ < 0)
        return;
    if (newRowPending_) {
        dropNewRow();
        return;
    }
    const int row = pendingRow_;
    pending_.clear();
    emptyTextKept_.clear();
    pendingRow_ = -1;
    emitRowChanged(row);
}

void TableModel::emitRowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, row, row);
}

bool TableModel::sortByColumn(int column, std::optional<Qt::SortOrder> order)
{
    if (!snapshot_ || column < 0 || column >= columnCount() || !commitPendingRow() || !waitForWholeTable())
        return false;
    // The view's current cell and selection stay on the rows they were on.
    const QModelIndexList persistent = persistentIndexList();
    std::vector<qint64> tableRows;
    for (const QModelIndex &index : persistent)
        tableRows.push_back(order_.tableRow(index.row()));
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    if (order)
        order_.sort(*snapshot_, column, *order);
    else
        order_.unsort();
    QModelIndexList moved;
    for (size_t i = 0; i < tableRows.size(); ++i)
        moved.push_back(index(int(order_.gridRow(tableRows[i])), persistent[qsizetype(i)].column()));
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

std::optional<int> TableModel::reload(int row)
{
    if (!snapshot_)
        return row;
    if (!commitPendingRow() || !waitForWholeTable())
        return std::nullopt;

    // The row's key, to find it again among the new rows.
    std::vector<std::pair<QString, std::optional<QByteArray>>> key;
    if (row >= 0 && row < shownRows_) {
        const qint64 tableRow = order_.tableRow(row);
        for (int c = 0; c < snapshot_->columnCount(); ++c) {
            if (!snapshot_->column(c).inPrimaryKey)
                continue;
            std::optional<QByteArray> value;
            if (!snapshot_->isNull(tableRow, c))
                value = snapshot_->rawUtf8(tableRow, c).toByteArray();
            key.emplace_back(snapshot_->column(c).name, std::move(value));
        }
    }
    const QString sortedName = order_.isSorted() ? snapshot_->column(order_.column()).name : QString();
    const Qt::SortOrder sortOrder = order_.order();
    const std::vector<QString> filteredNames = filteredColumnNames();

    // Read aside while the grid goes on showing the rows it has.
    const db::TableSnapshot *snapshot = snapshot_.get();
    const bool read = callDatabase(
        {QStringLiteral("Reading the table: %L1 rows so far"), {}, {}}, {row},
        [snapshot] { return snapshot->readAgain(background::progressOfCurrentCall()); },
        [&](const std::shared_ptr<db::TableSnapshot::FreshTable> &fresh) {
            beginResetModel();
            snapshot_->keepFreshTable(fresh);
            // The rows are numbered afresh: what could be undone is gone with them.
            shownRows_ = int(snapshot_->rowCount());
            history_.clear();
            order_.clear();
            for (int c = 0; c < snapshot_->columnCount() && !sortedName.isEmpty(); ++c) {
                if (snapshot_->column(c).name == sortedName) {
                    order_.sort(*snapshot_, c, sortOrder);
                    break;
                }
            }
            refilterAfterReading(filteredNames);
            endResetModel();
        });
    if (!read)
        return std::nullopt;

    int found = -1;
    std::vector<std::pair<int, const std::optional<QByteArray> *>> keyColumns;
    for (const auto &[name, value] : key) {
        for (int c = 0; c < snapshot_->columnCount(); ++c) {
            if (snapshot_->column(c).name == name && snapshot_->column(c).inPrimaryKey)
                keyColumns.emplace_back(c, &value);
        }
    }
    if (!key.empty() && keyColumns.size() == key.size()) {
        for (qint64 r = 0; r < snapshot_->rowCount() && found < 0; ++r) {
            const bool same = std::all_of(keyColumns.begin(), keyColumns.end(), [&](const auto &keyColumn) {
                const auto &[c, value] = keyColumn;
                if (!*value)
                    return snapshot_->isNull(r, c);
                return !snapshot_->isNull(r, c) && snapshot_->rawUtf8(r, c) == QByteArrayView(**value);
            });
            if (same)
                found = int(order_.gridRow(r));
        }
    }
    if (found >= 0)
        return found;
    return std::clamp(row, 0, rowCount() - 1);
}
