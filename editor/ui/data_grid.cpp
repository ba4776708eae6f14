#include "editor/ui/data_grid.h"

#include "app/message_box.h"
#include "app/ui/kit/wait_dialog.h"
#include "editor/cell_search.h"
#include "editor/table_model.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/grid_context_menu.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <functional>
#include <optional>

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

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent), model_(new TableModel(this)), rows_(*model_), contextMenu_(new GridContextMenu(this))
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
    // Whole rows are selected by their headers, for deleting them together.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false);
    setModel(model_);
    setSelectionModel(new RowGate(model_, [this](const QModelIndex &target) { return mayMoveTo(target); }, this));
    connect(model_, &TableModel::rowRejected, this, &DataGrid::showRejection);
    connect(model_, &TableModel::cancelCameTooLate, this, [](const QString &text) { msgbox::show(text); });
    // Row writes run beside the window; a later call waits for one given up.
    model_->setDatabaseWait([this](const QString &what, std::function<void()> call) {
        bool cancelTooLate = false;
        runBeside(window(), what, background::WhenGivenUp::FinishFirst, std::move(call), &cancelTooLate);
        return cancelTooLate;
    });

    const auto bound = [this] { return isBound(); };
    contextMenu_->addEntry(QStringLiteral("Insert row"), [this] { goToNewRow(); }, {}, bound);
    contextMenu_->addEntry(QStringLiteral("Delete rows"), [this] { deleteRows(rowsToDelete()); },
                           QKeySequence(Qt::Key_Delete), [this] { return !rowsToDelete().empty(); });
    contextMenu_->addEntry(QStringLiteral("Undo"), [this] { undo(); }, QKeySequence::Undo,
                           [this] { return model_->canUndo(); });
    contextMenu_->addSeparator();
    contextMenu_->addEntry(QStringLiteral("Set to NULL"), [this] { setSelectionToNull(); }, {},
                           [this] { return currentIndex().isValid() && !model_->isNewRowLine(currentIndex().row()); });
    contextMenu_->addEntry(QStringLiteral("Copy"), [this] { copySelection(); }, QKeySequence::Copy, bound);
    contextMenu_->addEntry(QStringLiteral("Paste"), [this] { paste(); }, QKeySequence::Paste, bound);
    verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(verticalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { showContextMenu(verticalHeader()->mapToGlobal(position)); });
    contextMenu_->addSeparator();
    contextMenu_->addEntry(QStringLiteral("Reload"), [this] { reload(); }, QKeySequence(Qt::Key_F5), bound);
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::sortByHeading);
}

DataGrid::~DataGrid() = default;

void DataGrid::setDataSource(std::unique_ptr<db::TableSnapshot> snapshot)
{
    model_->setSnapshot(std::move(snapshot));
    showSortIndicator();
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
    // Also while a cell is being edited: the cell's editor passes these on.
    if (event->matches(QKeySequence::Find)) {
        showFindDialog();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F3 && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
        findAgain(!(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        reload();
        event->accept();
        return;
    }
    const bool editing = state() == QAbstractItemView::EditingState;
    // Delete empties the current cell, which writes NULL when the row is
    // left; with whole rows selected it deletes them.
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier && !editing
        && currentIndex().isValid()) {
        if (!selectionModel()->selectedRows().isEmpty())
            deleteRows(rowsToDelete());
        else
            model_->setData(currentIndex(), QString());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier && !editing) {
        if (currentIndex().isValid())
            deleteRows({currentIndex().row()});
        event->accept();
        return;
    }
    if (!editing && (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Copy)
                     || event->matches(QKeySequence::Paste))) {
        if (event->matches(QKeySequence::Undo))
            undo();
        else if (event->matches(QKeySequence::Copy))
            copySelection();
        else
            paste();
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
    return model_->dataRowCount();
}

QString DataGrid::cellText(qint64 row, int column) const
{
    return model_->cellText(int(row), column);
}


void DataGrid::contextMenuEvent(QContextMenuEvent *event)
{
    QPoint position = event->globalPos();
    // From the keyboard the menu opens at the current cell, not wherever the
    // mouse happens to be.
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
        position = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    showContextMenu(position);
    event->accept();
}

void DataGrid::showContextMenu(const QPoint &globalPosition)
{
    commitOpenEditor();
    contextMenu_->popup(globalPosition);
}

void DataGrid::goToNewRow()
{
    if (!isBound())
        return;
    const QModelIndex line = model_->index(model_->dataRowCount(), qMax(currentIndex().column(), 0));
    setCurrentIndex(line);
    scrollTo(line);
}

std::vector<int> DataGrid::rowsToDelete() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows()) {
        if (index.row() < model_->dataRowCount())
            rows.push_back(index.row());
    }
    if (rows.empty() && currentIndex().isValid() && currentIndex().row() < model_->dataRowCount())
        rows.push_back(currentIndex().row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataGrid::deleteRows(const std::vector<int> &rows)
{
    std::vector<int> targets;
    for (int row : rows) {
        if (row >= 0 && row < model_->dataRowCount())
            targets.push_back(row);
    }
    if (targets.empty())
        return;
    const QString question = targets.size() == 1
                                 ? QStringLiteral("Delete 1 row from the table?")
                                 : QStringLiteral("Delete %1 rows from the table?").arg(targets.size());
    if (msgbox::show(question, msgbox::YesNo | msgbox::Question | msgbox::DefaultButton1) != msgbox::Yes)
        return;
    commitOpenEditor();
    if (model_->deleteRows(targets))
        clearSelection();
}

void DataGrid::undo()
{
    commitOpenEditor();
    model_->undo();
}

void DataGrid::setSelectionToNull()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    commitOpenEditor();
    // One row is edited at a time: only the current row's cells.
    bool any = false;
    for (const QModelIndex &index : selectionModel()->selectedIndexes()) {
        if (index.row() == current.row()) {
            model_->setNull(index);
            any = true;
        }
    }
    if (!any)
        model_->setNull(current);
}

void DataGrid::copySelection()
{
    QModelIndexList cells = selectionModel()->selectedIndexes();
    if (cells.isEmpty() && currentIndex().isValid())
        cells << currentIndex();
    if (cells.isEmpty())
        return;
    int top = cells.front().row(), bottom = top, left = cells.front().column(), right = left;
    for (const QModelIndex &index : cells) {
        top = qMin(top, index.row());
        bottom = qMax(bottom, index.row());
        left = qMin(left, index.column());
        right = qMax(right, index.column());
    }
    QApplication::clipboard()->setText(model_->copyText(top, left, bottom, right));
}

void DataGrid::paste()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    commitOpenEditor();
    // A refused row holds the user, as leaving it would have.
    if (!model_->pasteText(current.row(), current.column(), QApplication::clipboard()->text()))
        setCurrentIndex(model_->index(model_->pendingRow(), current.column()));
}

namespace {

// The hourglass for as long as the grid works.
class BusyWhile {
public:
    explicit BusyWhile(const BusyPointer &busy) : busy_(busy)
    {
        if (busy_)
            busy_(true);
    }
    ~BusyWhile()
    {
        if (busy_)
            busy_(false);
    }
    BusyWhile(const BusyWhile &) = delete;
    BusyWhile &operator=(const BusyWhile &) = delete;

private:
    const BusyPointer &busy_;
};

} // namespace

void DataGrid::showSortIndicator()
{
    const RowOrder &order = model_->rowOrder();
    // Shown only while sorted: the indicator widens every heading's room.
    horizontalHeader()->setSortIndicatorShown(order.isSorted());
    horizontalHeader()->setSortIndicator(order.isSorted() ? order.column() : -1, order.order());
}

void DataGrid::sortByHeading(int column)
{
    commitOpenEditor();
    const RowOrder &order = model_->rowOrder();
    std::optional<Qt::SortOrder> next = Qt::AscendingOrder;
    if (order.isSorted() && order.column() == column)
        next = order.order() == Qt::AscendingOrder ? std::optional(Qt::DescendingOrder) : std::nullopt;
    {
        BusyWhile busy(busy_);
        model_->sortByColumn(column, next);
    }
    showSortIndicator();
    if (currentIndex().isValid())
        scrollTo(currentIndex());
}

bool DataGrid::reload()
{
    if (!isBound())
        return false;
    commitOpenEditor();
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const int column = current.isValid() ? current.column() : 0;
    const int columnsBefore = model_->columnCount();
    std::optional<int> target;
    {
        BusyWhile busy(busy_);
        target = model_->reload(row);
    }
    if (!target)
        return false; // the model said why; the rows are as they were
    if (model_->columnCount() != columnsBefore) {
        resizeColumnsToContents();
        for (int c = 0; c < model_->columnCount(); ++c)
            setColumnWidth(c, qMin(columnWidth(c), 240));
    }
    showSortIndicator();
    if (*target >= 0 && model_->columnCount() > 0) {
        setCurrentIndex(model_->index(*target, qMin(column, model_->columnCount() - 1)));
        scrollTo(currentIndex());
    }
    return true;
}

void DataGrid::showFindDialog()
{
    if (!findDialog_) {
        findDialog_ = new FindDialog(this);
        findDialog_->setWindowFlag(Qt::Tool);
        connect(findDialog_, &FindDialog::findRequested, this, [this](bool forward) { findAgain(forward); });
    }
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
    findDialog_->findText->setFocus();
    findDialog_->findText->selectAll();
}

bool DataGrid::findAgain(bool forward)
{
    if (!findDialog_ || findDialog_->search().text.isEmpty()) {
        showFindDialog();
        return false;
    }
    commitOpenEditor();
    const QModelIndex current = currentIndex();
    CellPosition from{0, 0};
    if (current.isValid())
        from = {current.row(), current.column()};
    else if (forward)
        from = {model_->rowCount() - 1, model_->columnCount() - 1};
    const CellSearch search = findDialog_->search();
    const std::optional<SearchHit> hit = findCell(rows_, search, from, forward);
    if (!hit) {
        findDialog_->setNote(QStringLiteral("\"%1\" was not found.").arg(search.text));
        return false;
    }
    const QModelIndex target = model_->index(int(hit->cell.row), hit->cell.column);
    setCurrentIndex(target);
    if (currentIndex() != target) {
        findDialog_->setNote({}); // the refused row holds the user; its box said why
        return false;
    }
    scrollTo(target);
    QString note;
    if (hit->wrapped)
        note = forward ? QStringLiteral("Passed the end; continued from the top.")
                       : QStringLiteral("Passed the top; continued from the end.");
    findDialog_->setNote(note);
    return true;
}
