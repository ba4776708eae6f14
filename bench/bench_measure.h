#pragma once

// What the benchmarks measure the same way: the process's memory, a raw
// driver fetch to compare an open against, a grid shown as the editor shows
// it, and figures read back from a measuring child process.

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

class DataGrid;
namespace db {
class Connection;
}

// A grid needs a screen; without one the benchmark paints offscreen.
void paintOffscreenWithoutDisplay();
// False, with a word on how to start it, when the private PostgreSQL of
// bench/run is not there.
bool privatePostgresRunning();
// An open connection to the benchmark tables as scott.
std::unique_ptr<db::Connection> scottConnection();

double secondsSince(const QElapsedTimer &timer);
double median(std::vector<double> values);
// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"), -1 when unread.
qint64 statusKiB(const char *field);

// The baseline: the table's rows through the same driver, 1,000-row blocks
// into text buffers, kept nowhere.
double rawBlockFetchSeconds(const QString &table, qint64 &rowsSeen);

// Sized and shown as the editor's window shows it, with its first paint done.
void showGrid(DataGrid &grid);

// Runs this program again with the arguments and returns the words it
// printed; a child that fails ends the benchmark with the message and code.
QStringList childFigures(const QStringList &arguments, const char *failure, int exitCode);

// A benchmark's main in a widget application, painting offscreen without a
// display, once the private PostgreSQL is there (2 when not); an error's
// description ends it with 1.
int runInWidgetApplication(int argc, char **argv, const std::function<int(const QStringList &arguments)> &benchmark);
