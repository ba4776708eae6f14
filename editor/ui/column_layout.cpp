#include "editor/ui/column_layout.h"

#include "app/app_error.h"
#include "app/message_box.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/filter_header.h"
#include "editor/ui/grid_filtering.h"

#include <QMenu>

ColumnLayout::ColumnLayout(DataGrid &grid, FilterHeader &header, GridFiltering &filtering)
    : QObject(&grid), grid_(grid), header_(header), filtering_(filtering), headingMenu_(new QMenu(&grid))
{
    headingMenu_->setObjectName(QStringLiteral("HeadingMenu"));
    header_.setSectionsMovable(true);
    header_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&header_, &QWidget::customContextMenuRequested, this, &ColumnLayout::showHeadingMenu);
    connect(&header_, &QHeaderView::sectionMoved, this, [this] {
        followColumns();
        changed();
    });
    connect(&header_, &QHeaderView::sectionResized, this, [this] { changed(); });
    connect(&filtering_, &GridFiltering::shownChanged, this, [this] { changed(); });

    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(500);
    connect(&saveTimer_, &QTimer::timeout, this, &ColumnLayout::saveTellingFailure);

    QAction *hide = headingMenu_->addAction(QStringLiteral("Hide Column"), this, [this] { hideColumn(menuColumn_); });
    hide->setObjectName(QStringLiteral("HideColumn"));
    QAction *showAll = headingMenu_->addAction(QStringLiteral("Show All Columns"), this, [this] { showAllColumns(); });
    showAll->setObjectName(QStringLiteral("ShowAllColumns"));
    headingMenu_->addSeparator();
    QAction *filters = headingMenu_->addAction(QStringLiteral("Show Filters"));
    filters->setCheckable(true);
    connect(filters, &QAction::triggered, this, [this](bool on) { filtering_.setShown(on); });
    QAction *reset = headingMenu_->addAction(QStringLiteral("Reset Layout"), this, [this] { resetLayout(); });
    reset->setObjectName(QStringLiteral("ResetLayout"));
    connect(headingMenu_, &QMenu::aboutToShow, this, [this, hide, showAll, filters, reset] {
        int shown = 0;
        for (int column = 0; column < header_.count(); ++column)
            shown += header_.isSectionHidden(column) ? 0 : 1;
        // The last column shown stays: a grid without columns is a dead end.
        hide->setEnabled(menuColumn_ >= 0 && shown > 1);
        showAll->setEnabled(shown < header_.count());
        filters->setChecked(filtering_.shown());
        filters->setEnabled(grid_.isBound());
        reset->setEnabled(grid_.isBound());
    });
}

void ColumnLayout::showHeadingMenu(const QPoint &position)
{
    menuColumn_ = header_.logicalIndexAt(position);
    headingMenu_->popup(header_.mapToGlobal(position));
}

void ColumnLayout::changed()
{
    if (applying_ || !key_)
        return;
    dirty_ = true;
    saveTimer_.start();
}

void ColumnLayout::saveNow()
{
    saveTimer_.stop();
    if (!dirty_ || !key_)
        return;
    dirty_ = false;
    saveGridLayout(*key_, currentLayout());
}

GridLayout ColumnLayout::currentLayout() const
{
    GridLayout layout;
    const TableModel &model = grid_.tableModel();
    const db::TableSnapshot *snapshot = model.snapshot();
    if (!snapshot)
        return layout;
    for (int visual = 0; visual < header_.count(); ++visual) {
        const int column = header_.logicalIndex(visual);
        const QString name = snapshot->column(column).name;
        layout.columns << name;
        // A hidden section has no size of its own: the one it had is kept.
        const auto hiddenWidth = hiddenWidths_.find(column);
        layout.widths.push_back(!header_.isSectionHidden(column) ? header_.sectionSize(column)
                                : hiddenWidth != hiddenWidths_.end() ? hiddenWidth->second
                                                                     : header_.defaultSectionSize());
        if (header_.isSectionHidden(column))
            layout.hidden << name;
    }
    if (model.rowOrder().isSorted()) {
        layout.sortColumn = snapshot->column(model.rowOrder().column()).name;
        layout.descending = model.rowOrder().order() == Qt::DescendingOrder;
    }
    layout.filtersShown = filtering_.shown();
    return layout;
}

void ColumnLayout::saveTellingFailure()
{
    try {
        saveNow();
    } catch (const AppError &error) {
        msgbox::show(error.description(), msgbox::Exclamation);
    }
}

void ColumnLayout::tableLeaving()
{
    saveTellingFailure();
    key_.reset();
}

void ColumnLayout::showTableOrder()
{
    for (int column = 0; column < header_.count(); ++column) {
        grid_.setColumnHidden(column, false);
        const int from = header_.visualIndex(column);
        if (from != column)
            header_.moveSection(from, column);
    }
    hiddenWidths_.clear();
}

void ColumnLayout::tableBound()
{
    key_.reset();
    dirty_ = false;
    // The header keeps its sections across tables of as many columns: the
    // new table starts as the table has it, and as it was left, if it was.
    applying_ = true;
    showTableOrder();
    grid_.fitColumnWidths();
    filtering_.setShown(false);
    applying_ = false;
    const db::TableSnapshot *snapshot = grid_.tableModel().snapshot();
    if (!snapshot)
        return;
    std::optional<GridLayoutKey> key = keySource_ ? keySource_() : std::nullopt;
    std::optional<GridLayout> layout;
    if (key)
        layout = loadGridLayout(*key);
    if (layout) {
        QStringList names;
        for (int column = 0; column < snapshot->columnCount(); ++column)
            names << snapshot->column(column).name;
        applyPlacement(placeColumns(*layout, names));
    }
    followColumns();
    key_ = key;
}

void ColumnLayout::tableReread(const GridLayout &before)
{
    // The header kept its sections by number, which no longer name the same
    // columns: the layout is put back by name.
    GridLayout layout = before;
    layout.sortColumn = {};
    layout.filtersShown = filtering_.shown();
    const db::TableSnapshot *snapshot = grid_.tableModel().snapshot();
    if (!snapshot)
        return;
    QStringList names;
    for (int column = 0; column < snapshot->columnCount(); ++column)
        names << snapshot->column(column).name;
    hiddenWidths_.clear();
    applyPlacement(placeColumns(layout, names));
    followColumns();
}

void ColumnLayout::applyPlacement(const ColumnPlacement &placement)
{
    applying_ = true;
    for (int visual = 0; visual < int(placement.displayOrder.size()); ++visual) {
        const int column = placement.displayOrder[size_t(visual)];
        const int from = header_.visualIndex(column);
        if (from != visual)
            header_.moveSection(from, visual);
    }
    for (int column = 0; column < int(placement.widths.size()); ++column) {
        if (placement.widths[size_t(column)] > 0)
            grid_.setColumnWidth(column, placement.widths[size_t(column)]);
        if (placement.hidden[size_t(column)] && !header_.isSectionHidden(column))
            hiddenWidths_[column] = header_.sectionSize(column);
        grid_.setColumnHidden(column, placement.hidden[size_t(column)]);
    }
    if (placement.sortColumn >= 0)
        // A table still being read shows its first rows now and sorts once read.
        grid_.sortOnceRead(placement.sortColumn, placement.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    filtering_.setShown(placement.filtersShown);
    applying_ = false;
}

void ColumnLayout::followColumns()
{
    std::vector<int> shown;
    bool asTable = true;
    for (int visual = 0; visual < header_.count(); ++visual) {
        const int column = header_.logicalIndex(visual);
        if (header_.isSectionHidden(column)) {
            asTable = false;
            continue;
        }
        asTable = asTable && column == visual;
        shown.push_back(column);
    }
    grid_.setShownColumns(asTable ? std::nullopt : std::optional(std::move(shown)));
}

void ColumnLayout::hideColumn(int column)
{
    if (column < 0 || column >= header_.count())
        return;
    // A filter in a column out of sight would hide rows for no reason seen.
    if (!header_.boxText(column).isEmpty()) {
        header_.setBoxText(column, {});
        filtering_.apply();
    }
    if (!header_.isSectionHidden(column))
        hiddenWidths_[column] = header_.sectionSize(column);
    grid_.setColumnHidden(column, true);
    followColumns();
    changed();
}

void ColumnLayout::showAllColumns()
{
    for (int column = 0; column < header_.count(); ++column)
        grid_.setColumnHidden(column, false);
    followColumns();
    changed();
}

void ColumnLayout::resetLayout()
{
    saveTimer_.stop();
    dirty_ = false;
    if (key_) {
        try {
            forgetGridLayout(*key_);
        } catch (const AppError &error) {
            msgbox::show(error.description(), msgbox::Exclamation);
        }
    }
    applying_ = true;
    showTableOrder();
    grid_.fitColumnWidths();
    grid_.sortBy(-1, std::nullopt);
    header_.clearBoxes();
    filtering_.setShown(false);
    filtering_.apply();
    applying_ = false;
    followColumns();
}
