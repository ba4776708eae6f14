#include "editor/ui/data_grid.h"

#include "app/message_box.h"
#include "editor/table_model.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>

namespace {

// Every move of the current cell, by keyboard, editor or program, passes
// through here; a move the grid refuses does not happen at all.
class RowGate : public QItemSelectionModel {
public:
    RowGate(TableModel *model, std::function<bool(const QModelIndex &)> mayMove, QObject *parent)
        : QItemSelectionModel(model, parent), model_(model), mayMove_(std::move(mayMove)) {}

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override
    {
        if (index.row() != currentIndex().row() && !mayMove_(index))
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    // The view selects apart from moving the current cell; while a refused
    // row holds the user, nothing elsewhere may look selected.
    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override
    {
        if (command & (Select | Toggle)) {
            for (const QModelIndex &index : selection.indexes()) {
                if (model_->hasPendingEdit() && index.row() != model_->pendingRow())
                    return;
            }
        }
        QItemSelectionModel::select(selection, command);
    }

private:
    TableModel *model_;
    std::function<bool(const QModelIndex &)> mayMove_;
};

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent), model_(new TableModel(this)), rows_(*model_)
{
    setObjectName(QStringLiteral("DataGrid1"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    font.setBold(true);
    setFont(font);
    horizontalHeader()->setFont(font);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(18);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false);
    setModel(model_);
    setSelectionModel(new RowGate(model_, [this](const QModelIndex &target) { return mayMoveTo(target); }, this));
    connect(model_, &TableModel::rowRejected, this, &DataGrid::showRejection);
}

DataGrid::~DataGrid() = default;

void DataGrid::setDataSource(std::unique_ptr<db::TableSnapshot> snapshot)
{
    model_->setSnapshot(std::move(snapshot));
    // Columns as wide as their headings and first rows, within reason; the
    // header samples a bounded number of rows, so large tables cost the same.
    horizontalHeader()->setResizeContentsPrecision(200);
    resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column)
        setColumnWidth(column, qMin(columnWidth(column), 240));
    if (model_->rowCount() > 0 && model_->columnCount() > 0)
        setCurrentIndex(model_->index(0, 0));
    scrollToTop();
}

bool DataGrid::isBound() const
{
    return model_->snapshot() != nullptr;
}

void DataGrid::commitOpenEditor()
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && state() == QAbstractItemView::EditingState) {
        if (QWidget *editor = indexWidget(current))
            commitData(editor);
        else if (QWidget *focused = focusWidget(); focused && focused != this && isAncestorOf(focused))
            commitData(focused);
    }
}

bool DataGrid::hasPendingEdit() const
{
    return model_->hasPendingEdit();
}

bool DataGrid::commitPendingEdit()
{
    commitOpenEditor();
    return model_->commitPendingRow();
}

void DataGrid::discardPendingEdit()
{
    if (state() == QAbstractItemView::EditingState) {
        if (QWidget *focused = focusWidget(); focused && focused != this && isAncestorOf(focused))
            closeEditor(focused, QAbstractItemDelegate::RevertModelCache);
    }
    model_->revertPendingRow();
}

bool DataGrid::mayMoveTo(const QModelIndex &target)
{
    if (!model_->hasPendingEdit())
        return true;
    if (target.isValid() && target.row() == model_->pendingRow())
        return true;
    return commitPendingEdit();
}

void DataGrid::mousePressEvent(QMouseEvent *event)
{
    // Checked before the view moves the selection, so that a refused row
    // stays selected as well as current.
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && !mayMoveTo(target)) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    // Delete empties the current cell, which writes NULL when the row is left.
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier
        && state() != QAbstractItemView::EditingState && currentIndex().isValid()) {
        model_->setData(currentIndex(), QString());
        event->accept();
        return;
    }
    // Ctrl+Tab is not a focus key to Qt's widgets; here it leaves the grid as
    // Tab does, rather than doing nothing.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier)) {
        focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState
        && model_->hasPendingEdit()) {
        model_->revertPendingRow();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool DataGrid::focusNextPrevChild(bool next)
{
    if (!commitPendingEdit())
        return true;
    return QTableView::focusNextPrevChild(next);
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // The cell editor's Tab asks for the next cell; the grid leaves instead.
    const bool leave = hint == QAbstractItemDelegate::EditNextItem
        || hint == QAbstractItemDelegate::EditPreviousItem;
    QTableView::closeEditor(editor, leave ? QAbstractItemDelegate::NoHint : hint);
    if (leave)
        focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
}

void DataGrid::showRejection(int row, const QString &reason)
{
    Q_UNUSED(row);
    msgbox::show(reason, msgbox::Exclamation);
}

int DataGrid::columnCount() const
{
    return model_->columnCount();
}

QString DataGrid::caption(int column) const
{
    return model_->headerData(column, Qt::Horizontal).toString();
}

qint64 DataGrid::rowCount() const
{
    return model_->rowCount();
}

QString DataGrid::cellText(qint64 row, int column) const
{
    return model_->cellText(int(row), column);
}

