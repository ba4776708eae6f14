#include "editor/row_conflict.h"

std::vector<ConflictCell> conflictingCells(const std::vector<QString> &names, const db::RowValues &opened,
                                           const std::optional<db::RowValues> &now,
                                           const std::map<int, QString> &typed)
{
    std::vector<ConflictCell> cells;
    for (size_t c = 0; c < names.size() && c < opened.size() && (!now || c < now->size()); ++c) {
        std::optional<QString> nowValue;
        if (now)
            nowValue = (*now)[c];
        ConflictCell cell{int(c), names[c], opened[c], nowValue, std::nullopt, !now || opened[c] != nowValue, false};
        if (const auto found = typed.find(int(c)); found != typed.end()) {
            cell.typed = found->second;
            const std::optional<QString> written = found->second.isEmpty() ? std::nullopt : std::optional(found->second);
            cell.changedByYou = written != opened[c];
        }
        if (cell.changedByThem || cell.changedByYou)
            cells.push_back(std::move(cell));
    }
    return cells;
}

std::optional<db::RowValues> valuesNow(const db::TableSnapshot::WrittenRow &now)
{
    if (!now.stored)
        return std::nullopt;
    db::RowValues values;
    for (const std::optional<QByteArray> &value : *now.stored)
        values.push_back(value ? std::optional(QString::fromUtf8(*value)) : std::nullopt);
    return values;
}

std::map<int, QString> undoneValues(const db::TableSnapshot::Changes &previous)
{
    std::map<int, QString> values;
    for (const auto &[column, value] : previous)
        values[column] = value.value_or(QString());
    return values;
}
