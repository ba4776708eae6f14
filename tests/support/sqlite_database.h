#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace db {
class Connection;
class TableSnapshot;
} // namespace db

// A real SQLite database file in a folder of its own, reached through the
// SQLite ODBC driver as a data source, so that snapshots, the grid's model
// and the grid itself can be tried without a database server or the login
// windows. One lives at a time: it names itself as the user's data sources.
class SqliteDatabase {
public:
    SqliteDatabase();
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // Empty when the database is ready, else what went wrong.
    const QString &problem() const { return problem_; }
    QString file() const;
    // The connection string the program would build for this data source.
    QString connectionString() const;

    // Statements run by the sqlite3 program, not through the driver under
    // test; query gives the rows with their fields separated by "|". Both
    // throw std::runtime_error with sqlite3's message when it fails.
    void exec(const QString &sql) const;
    QStringList query(const QString &sql) const;

    std::unique_ptr<db::Connection> connect() const;
    std::unique_ptr<db::TableSnapshot> open(const QString &table) const;

private:
    QTemporaryDir dir_;
    QString dataSource_;
    QString problem_;
    QByteArray previousIni_;
};

// Fails the test when the database could not be made.
#define TABVALE_REQUIRE_SQLITE(database)                                                              \
    do {                                                                                              \
        if (!(database).problem().isEmpty())                                                          \
            QFAIL(qPrintable(QStringLiteral("No SQLite database: ") + (database).problem()));         \
    } while (false)
