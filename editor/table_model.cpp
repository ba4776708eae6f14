#include "editor/table_model.h"

#include "app/app_error.h"
#include "app/background_call.h"

#include <QFont>

TableModel::TableModel(QObject *parent) : QAbstractTableModel(parent) {}

// A write the user gave up waiting for may still be using the table's
// connection: the snapshot goes only once the worker has let go of it.
TableModel::~TableModel()
{
    if (snapshot_)
        background::worker().releaseAfterWork(std::shared_ptr<db::TableSnapshot>(std::move(snapshot_)));
}

void TableModel::setSnapshot(std::unique_ptr<db::TableSnapshot> snapshot)
{
    beginResetModel();
    if (snapshot_)
        background::worker().releaseAfterWork(std::shared_ptr<db::TableSnapshot>(std::move(snapshot_)));
    snapshot_ = std::move(snapshot);
    pendingRow_ = -1;
    newRowPending_ = false;
    pending_.clear();
    shownRows_ = snapshot_ ? int(snapshot_->rowCount()) : 0;
    history_.clear();
    endResetModel();
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
    return snapshot_->text(row, column);
}

bool TableModel::isNumericColumn(int column) const
{
    return snapshot_ && snapshot_->column(column).numeric;
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
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::ToolTipRole && snapshot_ && section < shownRows_
        && !snapshot_->isReadBack(section))
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
    if (section < shownRows_ && !snapshot_->isReadBack(section))
        return QStringLiteral("?");
    return QString();
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || !snapshot_)
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (snapshot_->column(index.column()).editable)
        result |= Qt::ItemIsEditable;
    return result;
}

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !snapshot_ || !(flags(index) & Qt::ItemIsEditable))
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
    const bool unchanged = isNewRow(row) ? text.isEmpty() : text == snapshot_->text(row, column);
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
    db::TableSnapshot::Changes changes, previous;
    for (const auto &[column, text] : pending_) {
        // An empty cell means NULL, as in Oracle.
        if (text.isEmpty())
            changes.emplace_back(column, std::nullopt);
        else
            changes.emplace_back(column, text);
        if (!newRowPending_)
            previous.emplace_back(column, snapshot_->isNull(row, column) ? std::nullopt
                                                                        : std::optional(snapshot_->text(row, column)));
    }
    // The snapshot outlives the call: it is released only after the worker's
    // calls (see setSnapshot).
    auto written = std::make_shared<db::TableSnapshot::WrittenRow>();
    const db::TableSnapshot *snapshot = snapshot_.get();
    auto send = [snapshot, row, changes, written] { *written = snapshot->sendRow(row, changes); };
    try {
        if (newRowPending_) {
            if (!workerIsIdle(row))
                return false;
            snapshot_->insertRows({{row, changes}});
        } else if (wait_) {
            wait_(QStringLiteral("Writing the row..."), send);
        } else {
            send();
        }
    } catch (const background::Cancelled &) {
        emit rowRejected(row, cancelledWriteText.toString());
        return false;
    } catch (const AppError &error) {
        emit rowRejected(row, error.description());
        return false;
    }
    if (newRowPending_) {
        // The new row is the snapshot's now; the line stays below it.
        ++shownRows_;
        newRowPending_ = false;
        history_.recordInsert(row);
    } else {
        snapshot_->keepWrittenRow(*written);
        history_.recordUpdate(row, std::move(previous));
    }
    pending_.clear();
    pendingRow_ = -1;
    emitRowChanged(row);
    return true;
}

bool TableModel::workerIsIdle(int row)
{
    if (!wait_)
        return true;
    try {
        wait_(QStringLiteral("Writing the row..."), [] {});
    } catch (const background::Cancelled &) {
        emit rowRejected(row, cancelledWriteText.toString());
        return false;
    }
    return true;
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
    pendingRow_ = -1;
    emitRowChanged(row);
}

void TableModel::emitRowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, row, row);
}
