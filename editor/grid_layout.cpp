#include "editor/grid_layout.h"

#include "app/settings_store.h"

#include <QUrl>
#include <algorithm>

namespace {

const QString storeName = QStringLiteral("Kestrelon");
const QString layoutsGroup = QStringLiteral("Tabvale Grid Layouts");
const QString editorGroup = QStringLiteral("Tabvale Editor");

// One group per table; the parts are encoded so that no name can run into
// another or read as a group separator.
QString groupOf(const GridLayoutKey &key)
{
    const auto part = [](const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    return layoutsGroup + u'/' + part(key.dataSource) + u'|' + part(key.user) + u'|' + part(key.table);
}

} // namespace

ColumnPlacement placeColumns(const GridLayout &layout, const QStringList &tableColumns)
{
    const int count = int(tableColumns.size());
    ColumnPlacement placement;
    placement.widths.assign(size_t(count), 0);
    placement.hidden.assign(size_t(count), false);
    std::vector<bool> placed(size_t(count), false);
    for (qsizetype i = 0; i < layout.columns.size(); ++i) {
        const int column = int(tableColumns.indexOf(layout.columns[i]));
        if (column < 0 || placed[size_t(column)])
            continue;
        placed[size_t(column)] = true;
        placement.displayOrder.push_back(column);
        if (size_t(i) < layout.widths.size())
            placement.widths[size_t(column)] = std::max(layout.widths[size_t(i)], 0);
    }
    // A column the layout does not know goes after its neighbour in the
    // table, or first when it is the table's first.
    for (int column = 0; column < count; ++column) {
        if (placed[size_t(column)])
            continue;
        auto at = placement.displayOrder.begin();
        if (column > 0) {
            at = std::find(placement.displayOrder.begin(), placement.displayOrder.end(), column - 1);
            at = at == placement.displayOrder.end() ? placement.displayOrder.end() : at + 1;
        }
        placement.displayOrder.insert(at, column);
        placed[size_t(column)] = true;
    }
    for (const QString &name : layout.hidden) {
        const int column = int(tableColumns.indexOf(name));
        if (column >= 0)
            placement.hidden[size_t(column)] = true;
    }
    placement.sortColumn = int(tableColumns.indexOf(layout.sortColumn));
    placement.descending = layout.descending;
    placement.filtersShown = layout.filtersShown;
    return placement;
}

std::optional<GridLayout> loadGridLayout(const GridLayoutKey &key)
{
    const QVariantMap values = readStoredGroup(storeName, groupOf(key));
    if (values.isEmpty())
        return std::nullopt;
    GridLayout layout;
    layout.columns = values.value(QStringLiteral("Columns")).toStringList();
    for (const QString &width : values.value(QStringLiteral("Widths")).toStringList())
        layout.widths.push_back(width.toInt());
    layout.hidden = values.value(QStringLiteral("Hidden")).toStringList();
    layout.sortColumn = values.value(QStringLiteral("SortColumn")).toString();
    layout.descending = values.value(QStringLiteral("SortOrder")).toString() == QLatin1String("descending");
    layout.filtersShown = values.value(QStringLiteral("FiltersShown")).toString() == QLatin1String("true");
    return layout;
}

void saveGridLayout(const GridLayoutKey &key, const GridLayout &layout)
{
    QStringList widths;
    for (int width : layout.widths)
        widths << QString::number(width);
    QVariantMap values;
    values.insert(QStringLiteral("Columns"), layout.columns);
    values.insert(QStringLiteral("Widths"), widths);
    values.insert(QStringLiteral("Hidden"), layout.hidden);
    values.insert(QStringLiteral("SortColumn"), layout.sortColumn);
    values.insert(QStringLiteral("SortOrder"),
                  layout.descending ? QStringLiteral("descending") : QStringLiteral("ascending"));
    values.insert(QStringLiteral("FiltersShown"), layout.filtersShown ? QStringLiteral("true") : QStringLiteral("false"));
    replaceStoredGroup(storeName, groupOf(key), values);
}

void forgetGridLayout(const GridLayoutKey &key)
{
    replaceStoredGroup(storeName, groupOf(key), {});
}

bool fitGridToWindowChosen()
{
    return readStoredGroup(storeName, editorGroup).value(QStringLiteral("FitGridToWindow")).toString()
        == QLatin1String("true");
}

void chooseFitGridToWindow(bool fit)
{
    replaceStoredGroup(storeName, editorGroup,
                       {{QStringLiteral("FitGridToWindow"), fit ? QStringLiteral("true") : QStringLiteral("false")}});
}
