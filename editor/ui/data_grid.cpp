#include "editor/ui/data_grid.h"

#include "app/app_error.h"
#include "app/message_box.h"
#include "app/ui/kit/wait_dialog.h"
#include "db/lost_connection.h"
#include "editor/cell_search.h"
#include "editor/cell_tooltip.h"
#include "editor/table_model.h"
#include "editor/ui/column_layout.h"
#include "editor/ui/conflict_dialog.h"
#include "editor/ui/filter_header.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/read_wait.h"
#include "editor/ui/grid_context_menu.h"
#include "editor/ui/grid_filtering.h"
#include "editor/ui/record_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QHelpEvent>
#include <QToolTip>
#include <functional>
#include <limits>
#include <optional>

namespace {

const QKeySequence showFiltersKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_L);
const QKeySequence recordViewKeys(Qt::CTRL | Qt::Key_Return);
const QKeySequence filterByValueKeys(Qt::CTRL | Qt::ALT | Qt::Key_F);
const QKeySequence fitToWindowKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_W);
const QKeySequence reloadRowKeys(Qt::SHIFT | Qt::Key_F5);

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

// The cell editor holds a value of any length: Qt's line editor would cut it
// at 32,767 characters, and the row would be written back cut.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(std::numeric_limits<int>::max());
        return editor;
    }

    // Text cut at the cell's edge shows whole in the tooltip, as far as a
    // tooltip can hold it; a cell's own tooltip (NULL, a read-only reason)
    // comes first.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() == QEvent::ToolTip && index.isValid() && index.data(Qt::ToolTipRole).isNull()) {
            const QString text = index.data(Qt::DisplayRole).toString();
            if (isCutAtEdge(text, option)) {
                QToolTip::showText(event->globalPos(), longTextToolTip(text), view->viewport(), option.rect);
                return true;
            }
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    static bool isCutAtEdge(const QString &text, const QStyleOptionViewItem &option)
    {
        if (text.isEmpty())
            return false;
        if (text.contains(u'\n') || text.contains(u'\r'))
            return true;
        // The cell's margins take a few pixels of its width.
        const int room = option.rect.width() - 6;
        return option.fontMetrics.horizontalAdvance(text.left(4096)) > room;
    }
};

} // namespace

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent), model_(new TableModel(this)), rows_(*model_), contextMenu_(new GridContextMenu(this)),
      filterHeader_(new FilterHeader(this))
{
    setObjectName(QStringLiteral("DataGrid1"));
    setHorizontalHeader(filterHeader_);
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
    setItemDelegate(new CellDelegate(this));
    setModel(model_);
    setSelectionModel(new RowGate(model_, [this](const QModelIndex &target) { return mayMoveTo(target); }, this));
    connect(model_, &TableModel::rowRejected, this, &DataGrid::showRejection);
    connect(model_, &TableModel::cancelCameTooLate, this, [](const QString &text) { msgbox::show(text); });
    connect(model_, &TableModel::pasteLeftOut, this, [](const QString &note) { msgbox::show(note); });
    // Row writes run beside the window; a later call waits for one given up.
    model_->setDatabaseWait([this](const QString &what, std::function<void()> call) {
        bool cancelTooLate = false;
        runBeside(window(), what, background::WhenGivenUp::FinishFirst, std::move(call), &cancelTooLate);
        return cancelTooLate;
    });
    // Sorting, filtering, reloading, inserting and deleting wait for the rest
    // of a table still being read.
    model_->setReadWait([this] { return waitForRead(window(), *model_); });
    connect(model_, &TableModel::readingChanged, this, [this] {
        if (!model_->isReading() && sortOnceRead_)
            sortBy(sortOnceRead_->first, sortOnceRead_->second);
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
    contextMenu_->addEntry(QStringLiteral("Row Details..."), [this] { showRecordView(currentIndex().row()); },
                           recordViewKeys, [this] { return canShowRecordView(currentIndex().row()); });
    contextMenu_->addEntry(QStringLiteral("Copy"), [this] { copySelection(); }, QKeySequence::Copy, bound);
    contextMenu_->addEntry(QStringLiteral("Paste"), [this] { paste(); }, QKeySequence::Paste, bound);
    verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(verticalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        headerRow_ = verticalHeader()->logicalIndexAt(position);
        showContextMenu(verticalHeader()->mapToGlobal(position));
    });
    connect(verticalHeader(), &QHeaderView::sectionPressed, this, [this](int row) { headerRow_ = row; });
    connect(verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int row) { showRecordView(row); });
    contextMenu_->addSeparator();
    contextMenu_->addEntry(QStringLiteral("Reload"), [this] { reload(); }, QKeySequence(Qt::Key_F5), bound);
    contextMenu_->addEntry(QStringLiteral("Reload Row"), [this] { reloadRow(); }, reloadRowKeys,
                           [this] { return currentIndex().isValid() && !model_->isNewRowLine(currentIndex().row()); });
    contextMenu_->addEntry(QStringLiteral("Stop Reading"), [this] { askToStopReading(); }, {},
                           [this] { return model_->isReading(); });
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::sortByHeading);

    filtering_ = new GridFiltering(*this, *filterHeader_);
    columnLayout_ = new ColumnLayout(*this, *filterHeader_, *filtering_);
    contextMenu_->addSeparator();
    QAction *showFilters = contextMenu_->addEntry(QStringLiteral("Show Filters"),
                                                  [this] { filtering_->setShown(!filtering_->shown()); },
                                                  showFiltersKeys, bound);
    showFilters->setCheckable(true);
    connect(contextMenu_, &QMenu::aboutToShow, showFilters,
            [this, showFilters] { showFilters->setChecked(filtering_->shown()); });
    contextMenu_->addEntry(QStringLiteral("Filter by This Value"), [this] { filtering_->filterByValue(currentIndex()); },
                           filterByValueKeys,
                           [this] { return currentIndex().isValid() && !model_->isNewRowLine(currentIndex().row()); });
    contextMenu_->addEntry(QStringLiteral("Clear Filters"), [this] { filtering_->clear(); }, {}, bound);
    fitToWindow_ = contextMenu_->addEntry(QStringLiteral("Fit Grid to Window"), [] {}, fitToWindowKeys);
    fitToWindow_->setCheckable(true);
}

DataGrid::~DataGrid()
{
    try {
        columnLayout_->saveNow();
    } catch (const AppError &error) {
        qWarning("%s", qPrintable(error.description()));
    }
}

void DataGrid::setLayoutKeySource(std::function<std::optional<GridLayoutKey>()> source)
{
    columnLayout_->setKeySource(std::move(source));
}

void DataGrid::setShownColumns(std::optional<std::vector<int>> columns)
{
    rows_.setColumns(std::move(columns));
}

void DataGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (filtering_)
        filtering_->placeCorner();
}

void DataGrid::fitColumnWidths()
{
    // The header samples a bounded number of rows, so large tables cost the same.
    horizontalHeader()->setResizeContentsPrecision(200);
    resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column)
        setColumnWidth(column, qMin(columnWidth(column), 240));
}

void DataGrid::setDataSource(std::unique_ptr<db::TableSnapshot> snapshot)
{
    headerRow_ = -1;
    sortOnceRead_.reset();
    columnLayout_->tableLeaving();
    model_->setSnapshot(std::move(snapshot));
    rows_.setColumns(std::nullopt);
    filtering_->tableBound();
    columnLayout_->tableBound();
    showSortIndicator();
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
    // Also from the filter boxes, which pass on what they do not take.
    const QKeySequence pressed(event->keyCombination());
    if (pressed == showFiltersKeys || pressed == filterByValueKeys || pressed == fitToWindowKeys) {
        if (pressed == showFiltersKeys)
            filtering_->setShown(!filtering_->shown());
        else if (pressed == filterByValueKeys)
            filtering_->filterByValue(currentIndex());
        else
            fitToWindow_->trigger();
        event->accept();
        return;
    }
    if (pressed == recordViewKeys
        || (event->key() == Qt::Key_Enter && event->modifiers() == (Qt::ControlModifier | Qt::KeypadModifier))) {
        commitOpenEditor();
        showRecordView(currentIndex().row());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        reload();
        event->accept();
        return;
    }
    if (pressed == reloadRowKeys) {
        reloadRow();
        event->accept();
        return;
    }
    const bool editing = state() == QAbstractItemView::EditingState;
    if (!editing && explainReadOnlyCell(event)) {
        event->accept();
        return;
    }
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
    // With nothing to take back, Escape offers to stop a read still going on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier
        && state() != QAbstractItemView::EditingState && model_->isReading()) {
        askToStopReading();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool DataGrid::explainReadOnlyCell(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || (model_->flags(current) & Qt::ItemIsEditable))
        return false;
    const bool typing = !event->text().isEmpty() && event->text().at(0).isPrint()
                        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool emptying = (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
                          && event->modifiers() == Qt::NoModifier && selectionModel()->selectedRows().isEmpty();
    if (!typing && !emptying && event->key() != Qt::Key_F2)
        return false;
    return showReadOnlyReason(current);
}

bool DataGrid::showReadOnlyReason(const QModelIndex &index)
{
    const QString reason = model_->readOnlyReason(index.column());
    if (reason.isEmpty())
        return false;
    // Where the user looks: at the cell.
    const QRect cell = visualRect(index);
    QToolTip::showText(viewport()->mapToGlobal(cell.bottomLeft()), reason, viewport(), cell);
    return true;
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

bool DataGrid::canShowRecordView(int row) const
{
    return isBound() && row >= 0 && row < model_->dataRowCount();
}

void DataGrid::showRecordView(int row)
{
    if (!canShowRecordView(row))
        return;
    std::vector<int> columns;
    for (int visual = 0; visual < horizontalHeader()->count(); ++visual)
        columns.push_back(horizontalHeader()->logicalIndex(visual));
    const int column = currentIndex().isValid() ? currentIndex().column() : columns.front();
    RecordView view(*model_, std::move(columns), row,
                    [this, column](int target) { setCurrentIndex(model_->index(target, column)); }, this);
    view.exec();
}

void DataGrid::showRejection(int row, const QString &reason)
{
    // The program's own full name on a box of its own making, as its other
    // windows carry it.
    const bool lost = reason.startsWith(db::ConnectionLostError::text);
    msgbox::show(reason, msgbox::Exclamation, lost ? QStringLiteral("Tabvale Software") : QString());
    if (reason == db::RowConflictError::changedOrDeletedText && model_->pendingRow() == row && !model_->isNewRow(row))
        offerConflict(row);
    else
        offerAfterRefusal(row, reason);
}

void DataGrid::offerConflict(int row)
{
    const db::TableSnapshot *snapshot = model_->snapshot();
    const std::optional<db::TableSnapshot::WrittenRow> now = model_->readRowNow(row);
    if (!snapshot || !now)
        return;
    const bool gone = !now->stored;
    const std::vector<ConflictCell> cells = conflictingCells(
        columnNames(), snapshot->rowValues(model_->tableRow(row)), valuesNow(*now), model_->pendingEdits());
    const ConflictDialog::Choice choice = ConflictDialog::ask(window(), cells, gone);
    if (choice == ConflictDialog::WriteMine && gone) {
        model_->insertPendingRowAgain();
    } else if (choice == ConflictDialog::WriteMine) {
        // Over what they wrote, under the same rule: changed yet again, the
        // write is refused and this comes back.
        model_->takeFreshRow(*now);
        model_->commitPendingRow();
    } else if (choice == ConflictDialog::TakeTheirs && gone) {
        model_->forgetGoneRow(row);
    } else if (choice == ConflictDialog::TakeTheirs) {
        model_->takeFreshRow(*now);
        model_->revertPendingRow();
    }
}

int DataGrid::columnCount() const
{
    return rows_.columnCount();
}

QString DataGrid::caption(int column) const
{
    return rows_.caption(column);
}

qint64 DataGrid::rowCount() const
{
    return model_->dataRowCount();
}

QString DataGrid::cellText(qint64 row, int column) const
{
    return model_->cellText(int(row), rows_.modelColumn(column));
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
    // Without columns no cell can be current or selected: the header pressed is the row.
    if (rows.empty() && model_->columnCount() == 0 && headerRow_ >= 0 && headerRow_ < model_->dataRowCount())
        rows.push_back(headerRow_);
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
    if (deleteRowsWatched(targets)) {
        clearSelection();
        headerRow_ = -1;
    }
}

void DataGrid::undo()
{
    commitOpenEditor();
    undoWatched();
}

void DataGrid::setSelectionToNull()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    commitOpenEditor();
    // One row is edited at a time: only the current row's cells.
    bool any = false, emptied = false;
    for (const QModelIndex &index : selectionModel()->selectedIndexes()) {
        if (index.row() == current.row()) {
            emptied = model_->setNull(index) || emptied;
            any = true;
        }
    }
    if (!any)
        emptied = model_->setNull(current);
    if (!emptied && !(model_->flags(current) & Qt::ItemIsEditable))
        showReadOnlyReason(current);
}

std::vector<int> DataGrid::shownColumnsBetween(int firstVisual, int lastVisual) const
{
    std::vector<int> columns;
    const QHeaderView *header = horizontalHeader();
    for (int visual = qMax(firstVisual, 0); visual <= qMin(lastVisual, header->count() - 1); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column))
            columns.push_back(column);
    }
    return columns;
}

void DataGrid::copySelection()
{
    QModelIndexList cells = selectionModel()->selectedIndexes();
    if (cells.isEmpty() && currentIndex().isValid())
        cells << currentIndex();
    if (cells.isEmpty())
        return;
    // The columns as they show, left to right.
    const QHeaderView *header = horizontalHeader();
    int top = cells.front().row(), bottom = top;
    int left = header->visualIndex(cells.front().column()), right = left;
    for (const QModelIndex &index : cells) {
        top = qMin(top, index.row());
        bottom = qMax(bottom, index.row());
        left = qMin(left, header->visualIndex(index.column()));
        right = qMax(right, header->visualIndex(index.column()));
    }
    QApplication::clipboard()->setText(model_->copyText(top, bottom, shownColumnsBetween(left, right)));
}

void DataGrid::paste()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    commitOpenEditor();
    // Rightwards as the columns show; hidden ones are passed over.
    const std::vector<int> columns =
        shownColumnsBetween(horizontalHeader()->visualIndex(current.column()), horizontalHeader()->count() - 1);
    // A refused row holds the user, as leaving it would have.
    if (!model_->pasteText(current.row(), columns, QApplication::clipboard()->text()))
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
    const RowOrder &order = model_->rowOrder();
    std::optional<Qt::SortOrder> next = Qt::AscendingOrder;
    if (order.isSorted() && order.column() == column)
        next = order.order() == Qt::AscendingOrder ? std::optional(Qt::DescendingOrder) : std::nullopt;
    sortBy(column, next);
}

void DataGrid::sortBy(int column, std::optional<Qt::SortOrder> next)
{
    sortOnceRead_.reset();
    commitOpenEditor();
    if (column < 0) {
        column = model_->rowOrder().column();
        next.reset();
    }
    if (column >= 0) {
        BusyWhile busy(busy_);
        model_->sortByColumn(column, next);
    }
    showSortIndicator();
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    columnLayout_->changed();
}

bool DataGrid::reload()
{
    if (!isBound())
        return false;
    commitOpenEditor();
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const int column = current.isValid() ? current.column() : 0;
    const auto columnNames = [this] {
        QStringList names;
        for (int c = 0; c < model_->columnCount(); ++c)
            names << model_->headerData(c, Qt::Horizontal).toString();
        return names;
    };
    const QStringList columnsBefore = columnNames();
    const GridLayout layoutBefore = columnLayout_->currentLayout();
    std::optional<int> target;
    {
        BusyWhile busy(busy_);
        target = model_->reload(row);
    }
    if (!target)
        return false;
    if (columnNames() != columnsBefore) {
        fitColumnWidths();
        // New boxes for the columns of now, and no filter they do not show.
        filtering_->tableBound();
        filtering_->apply();
        columnLayout_->tableReread(layoutBefore);
    }
    showSortIndicator();
    if (*target >= 0 && model_->columnCount() > 0) {
        setCurrentIndex(model_->index(*target, qMin(column, model_->columnCount() - 1)));
        scrollTo(currentIndex());
    }
    return true;
}

bool DataGrid::reloadRow()
{
    if (!isBound() || !currentIndex().isValid())
        return false;
    // What the open editor holds is typing like any other: it stays.
    commitOpenEditor();
    return model_->reloadRow(currentIndex().row());
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
    // Found among the columns shown, in display order.
    CellPosition from{0, 0};
    if (current.isValid())
        from = {current.row(), qMax(rows_.columnOf(current.column()), 0)};
    else if (forward)
        from = {model_->rowCount() - 1, rows_.columnCount() - 1};
    const CellSearch search = findDialog_->search();
    std::optional<SearchHit> hit = findCell(rows_, search, from, forward);
    // Past the last row read lie the rows still to come: they are looked at
    // before the search goes round, as once the whole table is there.
    if (model_->isReading() && (!hit || hit->wrapped) && model_->waitForWholeTable())
        hit = findCell(rows_, search, from, forward);
    if (!hit) {
        findDialog_->setNote(QStringLiteral("\"%1\" was not found.").arg(search.text));
        return false;
    }
    const QModelIndex target = model_->index(int(hit->cell.row), rows_.modelColumn(hit->cell.column));
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

bool DataGrid::waitForWholeTable()
{
    return model_->waitForWholeTable();
}

void DataGrid::askToStopReading()
{
    if (!model_->isReading())
        return;
    const int answer = msgbox::show(stopReadingQuestion.toString(), msgbox::YesNo | msgbox::Question,
                                    QStringLiteral("Tabvale Software"));
    // The read may have ended while the question was up: the table stays.
    if (answer != msgbox::Yes || !model_->isReading())
        return;
    model_->stopReading();
    emit readingStopped();
}

void DataGrid::sortOnceRead(int column, Qt::SortOrder order)
{
    if (!model_->isReading()) {
        sortBy(column, order);
        return;
    }
    sortOnceRead_.emplace(column, order);
}
