// Times the grid exports on a large table held in memory as UTF-8, the way
// the editor's grid holds its rows: CSV, tab-separated text and XML for
// 1,000,000 rows x 8 columns, and the spreadsheet workbook for 100,000 rows.
// Usage: export_bench [rows for the text files] [rows for the workbook]

#include "app/ui/kit/wizard_window.h"
#include "export/datagrid_writers.h"
#include "export/row_source.h"
#include "app/seams.h"
#include "export/spreadsheet_export.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

class Utf8Grid : public CellTextSource {
public:
    explicit Utf8Grid(qint64 rows)
    {
        const char *cities[] = {"Oslo", "Zürich", "Αθήνα", "東京", "São Paulo"};
        cells_.reserve(rows * columns + 1);
        blob_.reserve(rows * 120);
        for (qint64 r = 0; r < rows; ++r) {
            add(QByteArray::number(r + 1));
            add("C" + QByteArray::number(r % 1000000).rightJustified(6, '0'));
            add("Name " + QByteArray::number((r * 7919) % 1000003));
            add(QByteArray::number((r % 100000) * 1.25 + 0.01, 'f', 2));
            add("2020-08-02 12:" + QByteArray::number(10 + r % 50) + ":" + QByteArray::number(10 + r % 49));
            add(cities[r % 5]);
            add(r % 10 == 0 ? QByteArray() : "a note, with a comma, as long as the notes people write " + QByteArray::number(r % 977));
            add(r % 2 ? "Y" : "N");
        }
        cells_.push_back(blob_.size());
        rows_ = rows;
    }

    int columnCount() const override { return columns; }
    QString caption(int column) const override
    {
        static const char *names[] = {"ID", "CODE", "NAME", "AMOUNT", "CREATED", "CITY", "NOTE", "FLAG"};
        return QString::fromLatin1(names[column]);
    }
    qint64 rowCount() const override { return rows_; }
    bool isNumericColumn(int column) const override { return column == 0 || column == 3; }
    QString cellText(qint64 row, int column) const override
    {
        const qint64 i = row * columns + column;
        return QString::fromUtf8(blob_.constData() + cells_[i], cells_[i + 1] - cells_[i]);
    }
    void readRow(qint64 row, RowCells &cells) const override
    {
        cells.reset(columns);
        for (int column = 0; column < columns; ++column) {
            const qint64 i = row * columns + column;
            cells.setView(column, QByteArrayView(blob_.constData() + cells_[i], cells_[i + 1] - cells_[i]));
        }
    }

private:
    static constexpr int columns = 8;
    void add(const QByteArray &text)
    {
        cells_.push_back(blob_.size());
        blob_.append(text);
    }
    QByteArray blob_;
    std::vector<qint64> cells_;
    qint64 rows_ = 0;
};

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// User and system time: on a busy machine it says more than the wall clock.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void timeWriter(const char *name, void (*writer)(const RowSource &, const QString &), const RowSource &grid,
                const QString &file)
{
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    writer(grid, file);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const double megabytes = QFileInfo(file).size() / 1e6;
    std::printf("%-4s %9lld rows  %7.3f s (cpu %.3f s)  %7.1f MB  %6.1f MB/s  peak RSS %ld MB\n", name,
                static_cast<long long>(grid.rowCount()), seconds, cpu, megabytes, megabytes / seconds,
                peakMegabytes());
    QFile::remove(file);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 textRows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const qint64 workbookRows = argc > 2 ? QByteArray(argv[2]).toLongLong() : 100000;

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;

    {
        QElapsedTimer timer;
        timer.start();
        const Utf8Grid grid(textRows);
        std::printf("grid of %lld rows built in %.2f s, peak RSS %ld MB\n", static_cast<long long>(textRows),
                    timer.nsecsElapsed() / 1e9, peakMegabytes());
        timeWriter("CSV", SaveDataGridToCSVFile, grid, folder.filePath("t.csv"));
        timeWriter("TXT", SaveDataGridToFile, grid, folder.filePath("t.txt"));
        timeWriter("XML", SaveDataGridToXMLFile, grid, folder.filePath("t.xml"));
    }

    // The workbook goes to the spreadsheet program's stand-in, which only
    // notes the file; a program of that name must be found on PATH.
    QFile program(folder.filePath("soffice"));
    program.open(QIODevice::WriteOnly);
    program.write("#!/bin/sh\n");
    program.close();
    program.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    qputenv("PATH", folder.path().toLocal8Bit() + ':' + qgetenv("PATH"));
    QString workbook;
    seams::current().startProgram = [&](const QString &, const QStringList &arguments) {
        workbook = arguments.value(1);
        return true;
    };

    const Utf8Grid grid(workbookRows);
    WizardWindow window;
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    exportGridToSpreadsheet(grid, busyPointerOf(window));
    std::printf("XLSX %9lld rows  %7.3f s (cpu %.3f s)  %7.1f MB  peak RSS %ld MB\n",
                static_cast<long long>(workbookRows), timer.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore,
                QFileInfo(workbook).size() / 1e6, peakMegabytes());
    return 0;
}
