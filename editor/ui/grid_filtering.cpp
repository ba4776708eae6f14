#include "editor/ui/grid_filtering.h"

#include "db/table_snapshot.h"
#include "editor/row_filter.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/filter_header.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace {

bool sameFilter(const RowFilter &a, const RowFilter &b)
{
    const auto &x = a.conditions();
    const auto &y = b.conditions();
    if (x.size() != y.size())
        return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i].first != y[i].first || x[i].second.typed() != y[i].second.typed())
            return false;
    }
    return true;
}

} // namespace

GridFiltering::GridFiltering(DataGrid &grid, FilterHeader &header)
    : QObject(&grid), grid_(grid), header_(header), corner_(new QLabel(&grid))
{
    corner_->setObjectName(QStringLiteral("FilterCount"));
    corner_->setAlignment(Qt::AlignCenter);
    // Clicks and tooltips reach the corner button beneath.
    corner_->setAttribute(Qt::WA_TransparentForMouseEvents);
    corner_->hide();
    connect(&header_, &FilterHeader::boxesEdited, this, [this] { apply(); });
    // Rows added and deleted while filtered change the count.
    const TableModel *model = &grid_.tableModel();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { showCount(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { showCount(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { showCount(); });
    // The corner also tells of a table still being read, or read only in part.
    connect(model, &TableModel::readingChanged, this, [this] { showCount(); });
    // A new row joins the table when it is written, marked in its header.
    connect(model, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation orientation) {
        if (orientation == Qt::Vertical)
            showCount();
    });
}

void GridFiltering::tableBound()
{
    header_.makeBoxes();
    showCount();
}

bool GridFiltering::shown() const
{
    return header_.boxesShown();
}

void GridFiltering::setShown(bool shown)
{
    if (shown == header_.boxesShown())
        return;
    header_.setBoxesShown(shown);
    grid_.refreshGeometries();
    apply();
    emit shownChanged(shown);
}

bool GridFiltering::apply()
{
    TableModel &model = grid_.tableModel();
    const db::TableSnapshot *snapshot = model.snapshot();
    if (!snapshot)
        return true;
    grid_.commitOpenEditor();
    RowFilter filter;
    for (int column = 0; column < header_.boxCount() && column < snapshot->columnCount(); ++column) {
        ColumnCondition condition;
        if (header_.boxesShown())
            condition = ColumnCondition::parse(header_.boxText(column), valueKindOf(snapshot->column(column)));
        header_.markMalformed(column, condition.error());
        filter.set(column, std::move(condition));
    }
    if (sameFilter(filter, model.rowFilter()))
        return true;

    const QModelIndex current = grid_.currentIndex();
    const qint64 tableRow = current.isValid() ? model.tableRow(current.row()) : -1;
    const int column = current.isValid() ? current.column() : 0;
    if (!model.setRowFilter(std::move(filter)))
        return false;
    qint64 row = tableRow >= 0 ? model.rowOrder().gridRow(tableRow) : 0;
    if (row < 0 || row >= model.rowCount())
        row = 0;
    if (model.rowCount() > 0 && model.columnCount() > 0) {
        grid_.setCurrentIndex(model.index(int(row), qBound(0, column, model.columnCount() - 1)));
        grid_.scrollTo(grid_.currentIndex());
    }
    showCount();
    return true;
}

void GridFiltering::filterByValue(const QModelIndex &cell)
{
    TableModel &model = grid_.tableModel();
    if (!cell.isValid() || !model.snapshot() || model.isNewRowLine(cell.row()))
        return;
    grid_.commitOpenEditor();
    bool isNull = false;
    const auto edited = model.pendingEdits().find(cell.column());
    if (cell.row() == model.pendingRow() && edited != model.pendingEdits().end())
        isNull = edited->second.isEmpty();
    else if (!model.isNewRow(cell.row()))
        isNull = model.snapshot()->isNull(model.tableRow(cell.row()), cell.column());
    const QString text = model.cellText(cell.row(), cell.column());
    header_.setBoxText(cell.column(), isNull ? QStringLiteral("NULL") : u'=' + text);
    if (!header_.boxesShown()) {
        header_.setBoxesShown(true);
        grid_.refreshGeometries();
        emit shownChanged(true);
    }
    apply();
}

void GridFiltering::clear()
{
    header_.clearBoxes();
    apply();
}

void GridFiltering::showCount()
{
    const TableModel &model = grid_.tableModel();
    const bool filtered = model.rowOrder().isFiltered();
    auto *cornerButton = grid_.findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    QString count, tip;
    if (model.isReading()) {
        count = readingText.toString();
        tip = readingTip.toString().arg(model.tableRowCount());
    } else if (filtered) {
        count = QLocale().toString(model.dataRowCount());
        tip = QStringLiteral("%1 of %2 rows").arg(model.dataRowCount()).arg(model.tableRowCount());
        if (model.isIncomplete())
            tip += QStringLiteral("\n") + incompleteTip.toString().arg(model.tableRowCount());
    } else if (model.isIncomplete()) {
        count = incompleteText.toString();
        tip = incompleteTip.toString().arg(model.tableRowCount());
    }
    if (count.isEmpty()) {
        corner_->hide();
        corner_->setToolTip({});
        if (cornerButton)
            cornerButton->setToolTip({});
        grid_.verticalHeader()->setMinimumWidth(18);
        return;
    }
    corner_->setText(count);
    corner_->setToolTip(tip);
    if (cornerButton)
        cornerButton->setToolTip(tip);
    grid_.verticalHeader()->setMinimumWidth(corner_->fontMetrics().horizontalAdvance(count) + 8);
    corner_->show();
    grid_.refreshGeometries();
}

void GridFiltering::placeCorner()
{
    const int frame = grid_.frameWidth();
    corner_->setGeometry(frame, frame, grid_.verticalHeader()->width(), grid_.horizontalHeader()->height());
    corner_->raise();
}
