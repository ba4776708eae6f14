#pragma once

#include "db/row_update.h"

namespace db {

// The row locator's part of the statements: how it is read, and the
// condition that finds the row at the address read.
QString locatorSelect(const ColumnInfo &locator);
void appendLocatorCondition(ParameterisedSql &statement, int column, const ColumnInfo &locator,
                            const std::optional<QString> &value);

// Adds to a WHERE that the row is not at the given address.
void excludeAddress(ParameterisedSql &statement, int column, const ColumnInfo &locator, const QString &address);

// The columns as a WHERE may use them for a row with these values: a row
// whose address is not known (an inserted row not found again) is found by
// its values alone, as without a locator.
std::vector<ColumnInfo> locatedWhereKnown(std::vector<ColumnInfo> columns, const RowValues &values);

// The same columns without the locator among the ones that find the row:
// for finding a row our own write has moved to a new address.
std::vector<ColumnInfo> withoutLocator(std::vector<ColumnInfo> columns);

// How many of the columns are the table's own, the locator left out.
int tableColumnCount(const std::vector<ColumnInfo> &columns);

} // namespace db
