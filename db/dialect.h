#pragma once

#include "db/table_snapshot.h"

#include <QString>
#include <memory>
#include <sql.h>
#include <vector>

namespace db {

// What differs between the databases the program talks to. Each connection
// gets one, chosen by the name the driver gives its database; the rest of
// the code follows it and never asks which database it is.
class Dialect {
public:
    virtual ~Dialect() = default;

    // Run once right after connecting, so that every value reads and writes
    // as the same text whatever the server's, the site's or the user's
    // settings say.
    virtual std::vector<QString> sessionStatements() const { return {}; }

    // A query giving the names of a table's primary-key columns in key
    // order, with the table name as its one parameter; empty when the
    // driver's catalogue is the only way.
    virtual QString primaryKeyQuery() const { return {}; }

    // Whether the column's value, read as text and bound back as text,
    // compares equal to what is stored, so that it can stand in the WHERE
    // of an optimistic update.
    virtual bool comparable(const ColumnInfo &column) const;

    // What the column holds, where the database knows better than the type
    // its driver reports.
    virtual ColumnKind kind(const ColumnInfo &column) const { return column.kind; }

    // Whether the database keeps empty text as NULL, so that a written ''
    // reads back as NULL.
    virtual bool storesEmptyTextAsNull() const { return false; }

    // Runs the session statements; throws DatabaseError.
    void startSession(SQLHDBC connection, int queryTimeout) const;

    // The table's key column names in key order: by the key query where
    // there is one, else (or when it finds none) by the driver's catalogue.
    // Empty when the table has no key that can be found.
    std::vector<QString> primaryKey(SQLHDBC connection, int queryTimeout, const QString &tableName) const;
};

// The dialect for a database product name as SQL_DBMS_NAME gives it;
// unknown names get the generic one.
std::unique_ptr<Dialect> dialectForDatabase(const QString &databaseName);

// The dialect of an open connection.
std::unique_ptr<Dialect> dialectOf(SQLHDBC connection);

// Some database clients take settings from the environment when they
// connect, beyond the reach of any session statement: sets those the
// program relies on. Idempotent; call before connecting.
void prepareClientEnvironment();

std::unique_ptr<Dialect> makeGenericDialect();
std::unique_ptr<Dialect> makeOracleDialect();
std::unique_ptr<Dialect> makePostgreSqlDialect();
std::unique_ptr<Dialect> makeSqliteDialect();

} // namespace db
