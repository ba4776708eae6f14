#include "editor/row_conflict.h"

std::vector<ConflictCell> conflictingCells(const std::vector<QString> &names, const db::RowValues &opened,
                                           const db::RowValues &now, const std::map<int, QString> &typed)
{
    std::vector<ConflictCell> cells;
    for (size_t c = 0; c < names.size() && c < opened.size() && c < now.size(); ++c) {
        ConflictCell cell{int(c), names[c], opened[c], now[c], std::nullopt, opened[c] != now[c], false};
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
