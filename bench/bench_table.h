#pragma once

// The benchmarks' table in the private PostgreSQL of the tests (bench/run
// starts one), and the ways to reach it.

#include <QString>
#include <QStringList>
#include <QtGlobal>

QString env(const char *name);
QString scottConnectionString();
QStringList psqlArguments();
// Runs SQL as the superuser; ends the program when it fails.
QString psql(const QString &sql);
// Two integers, a numeric(12,2), two varchar(30), two timestamps and a text
// of about 40 characters: about 144 bytes a row as CSV. Made when missing.
void ensureTable(const QString &name, qint64 rows);
