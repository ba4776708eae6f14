#include "db/row_match.h"

#include <algorithm>

namespace db {

std::vector<bool> columnsIdentifyingUpdate(const std::vector<ColumnInfo> &columns, const std::vector<bool> &changed)
{
    const bool hasKey = std::any_of(columns.begin(), columns.end(), [](const ColumnInfo &c) { return c.inPrimaryKey; });
    bool changedUnseen = false;
    for (size_t c = 0; c < columns.size(); ++c)
        changedUnseen = changedUnseen || (changed[c] && !columns[c].comparable && !columns[c].inPrimaryKey);
    std::vector<bool> identifying(columns.size(), false);
    for (size_t c = 0; c < columns.size(); ++c) {
        const ColumnInfo &column = columns[c];
        identifying[c] = hasKey ? column.inPrimaryKey || (column.comparable && (changed[c] || changedUnseen))
                                : column.comparable;
    }
    return identifying;
}

} // namespace db
