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
bool tableExists(const QString &name);
// A word on the console before a table is made, which can take a while.
void announceMaking(const QString &name, qint64 rows);
// Two integers, a numeric(12,2), two varchar(30), two timestamps and a text
// of about 40 characters: about 144 bytes a row as CSV. Made when missing.
void ensureTable(const QString &name, qint64 rows);
// The benchmark table's eight columns and four whose values share long
// beginnings: codes "AC-1" to "AC-9972" about a hundred rows each, invoice
// numbers "INV-2026-000123", e-mail addresses of three domains, and file
// paths under one folder. Made when missing.
void ensurePrefixTable(const QString &name, qint64 rows);
