#pragma once

#include "db/table_snapshot.h"

#include <QString>
#include <QStringList>

// Checks on a table snapshot shared by the database tests.
namespace snapshotchecks {

// A row's cells as the snapshot holds them, NULL as "<null>".
inline QStringList rowTexts(const db::TableSnapshot &snapshot, qint64 row)
{
    QStringList texts;
    for (int c = 0; c < snapshot.columnCount(); ++c)
        texts << (snapshot.isNull(row, c) ? QStringLiteral("<null>") : snapshot.text(row, c));
    return texts;
}

// The description of the Error the statement throws, or "<no error>".
template <class Error, class Statement>
QString errorOf(Statement &&statement)
{
    try {
        statement();
    } catch (const Error &error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}

} // namespace snapshotchecks

using snapshotchecks::errorOf;
using snapshotchecks::rowTexts;
