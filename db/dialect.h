#pragma once

#include "db/database_error.h"
#include "db/table_snapshot.h"

#include <QString>
#include <memory>
#include <optional>
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

    // A query giving the columns of a table (named by its one parameter)
    // that only the database writes, as rows of the column's name and 'c'
    // for a value computed from the row's other values or 'n' for a number
    // the database gives each row and never takes from a user. Empty when
    // the database has no such columns or no way to tell.
    virtual QString databaseFilledColumnsQuery() const { return {}; }

    // A DELETE of any one row of the table (its name given quoted), for
    // tables without columns, whose rows no WHERE can tell apart; empty
    // when the database cannot single one out.
    virtual QString deleteAnyOneRow(const QString & /*quotedTable*/) const { return {}; }

    // Whether the column's value, read as text and bound back as text,
    // compares equal to what is stored, so that it can stand in the WHERE
    // of an optimistic update.
    virtual bool comparable(const ColumnInfo &column) const;

    // Whether the driver reads binary values as hexadecimal digits, as ODBC
    // says it converts bytes to text. Where it hands over the bytes
    // themselves, they cannot be told back from the text the grid holds, and
    // binary columns are not written.
    virtual bool readsBinaryAsHex() const { return true; }

    // How a column holding binary values or large objects is compared in
    // the WHERE of an optimistic update: nullopt where the database cannot
    // compare it, empty for "=", else a condition as ColumnInfo::sameValue.
    virtual std::optional<QString> longValueComparison(const ColumnInfo & /*column*/) const { return std::nullopt; }

    // Decides, once the table's columns are described and before its rows
    // are read, how each is read and found again: ColumnInfo's comparable,
    // readAs and sameValue. May ask the database's catalogue; throws nothing
    // a catalogue refusal would cause, and then errs on the strict side.
    virtual void prepareColumns(SQLHDBC connection, int queryTimeout, const QString &tableName,
                                std::vector<ColumnInfo> &columns) const;

    // What the column holds, where the database knows better than the type
    // its driver reports.
    virtual ColumnKind kind(const ColumnInfo &column) const { return column.kind; }

    // The row address a table without a key is read with, as a ColumnInfo
    // marked rowLocator; nullopt where the database has none for the table.
    // `columns` are the table's own, whose names it must not take.
    virtual std::optional<ColumnInfo> rowLocator(SQLHDBC /*connection*/, int /*queryTimeout*/,
                                                 const QString & /*tableName*/,
                                                 const std::vector<ColumnInfo> & /*columns*/) const
    {
        return std::nullopt;
    }

    // Whether the database keeps empty text as NULL, so that a written ''
    // reads back as NULL.
    virtual bool storesEmptyTextAsNull() const { return false; }

    // Runs the session statements; throws DatabaseError.
    void startSession(SQLHDBC connection, int queryTimeout) const;

    // The table's key column names in key order: by the key query where
    // there is one, else (or when it finds none) by the driver's catalogue.
    // Empty when the table has no key that can be found.
    std::vector<QString> primaryKey(SQLHDBC connection, int queryTimeout, const QString &tableName) const;

    // Reaching databases that are not Oracle.

    // A query giving the names of the tables the login owns, one column, for
    // a database without Oracle's user_tables; empty where there is none.
    virtual QString ownTablesQuery() const { return {}; }

    // Whether a statement failed because a table or view it names does not
    // exist (and not, say, for want of a privilege on one that does).
    virtual bool isMissingTable(const DatabaseError &error) const;

    // Connection-string keywords ("KEY=value;") the connection must be made
    // with on top of the data source's own, for what no session statement
    // can set; nullopt when the data source already gives what is needed.
    virtual std::optional<QString> connectionKeywords(const QString &dataSource) const
    {
        Q_UNUSED(dataSource);
        return std::nullopt;
    }
};

// A row locator read as `select` and found by `condition` (%1 the
// parameter marker), named `name` in the statement's result.
ColumnInfo locatorColumn(const QString &name, const QString &select, const QString &condition);

// Every row of a query with one text parameter, each value as text (empty
// for NULL), the first `columnCount` columns. Throws DatabaseError.
std::vector<std::vector<QString>> rowsOfQuery(SQLHDBC connection, int queryTimeout, const QString &sql,
                                              const QString &parameter, int columnCount);

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
std::unique_ptr<Dialect> makeMariaDbDialect();
std::unique_ptr<Dialect> makeOracleDialect();
std::unique_ptr<Dialect> makePostgreSqlDialect();
std::unique_ptr<Dialect> makeSqliteDialect();

} // namespace db
