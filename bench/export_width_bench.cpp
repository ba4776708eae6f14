// Nanoseconds per cell (captions of one length, so every width writes the
// same bytes per cell) of the CSV, TXT and XML writers over tables of 8, 64
// and 256 columns held in the packed row storage the table snapshot uses,
// read through a row source that decodes each row once (as the editor's
// grid does) and, for comparison, through one look-up per cell.
//   export_width_bench [rows]        (default 200000)
#include "db/row_store.h"
#include "export/datagrid_writers.h"
#include "export/row_source.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

db::RowStore makeStore(qint64 rows, int columns)
{
    db::RowStore store;
    std::vector<QByteArray> texts(static_cast<size_t>(columns));
    std::vector<db::CellBytes> cells(static_cast<size_t>(columns));
    for (qint64 r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            texts[size_t(c)] = QByteArray::number((r * 31 + c * 7) % 1000003);
            cells[size_t(c)] = {texts[size_t(c)].constData(), texts[size_t(c)].size(), (r + c) % 17 == 0};
        }
        store.appendRow(cells);
    }
    return store;
}

class StoreRows : public RowSource {
public:
    StoreRows(const db::RowStore &store, int columns, bool decodeOnce)
        : store_(store), columns_(columns), decodeOnce_(decodeOnce) {}
    int columnCount() const override { return columns_; }
    QString caption(int column) const override { return QStringLiteral("C%1").arg(column, 3, 10, QLatin1Char('0')); }
    qint64 rowCount() const override { return store_.rowCount(); }
    void readRow(qint64 row, RowCells &cells) const override
    {
        cells.reset(columns_);
        if (decodeOnce_) {
            store_.cells(row, cells.views());
            return;
        }
        for (int c = 0; c < columns_; ++c)
            cells.setView(c, store_.cell(row, c));
    }

private:
    const db::RowStore &store_;
    int columns_;
    bool decodeOnce_;
};

using Writer = void (*)(const RowSource &, const QString &);

double nsPerCell(Writer writer, const RowSource &rows, const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    writer(rows, file);
    const double ns = double(timer.nsecsElapsed());
    QFile::remove(file);
    return ns / (double(rows.rowCount()) * rows.columnCount());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200000;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    const struct {
        const char *name;
        Writer writer;
    } writers[] = {{"CSV", SaveDataGridToCSVFile}, {"TXT", SaveDataGridToFile}, {"XML", SaveDataGridToXMLFile}};
    const int widths[] = {8, 64, 256};

    std::printf("%lld rows; ns per cell (goal: at 256 columns at most 1.2 x the cost at 8)\n",
                static_cast<long long>(rows));
    std::printf("%-28s %8s %8s %8s %8s\n", "", "8", "64", "256", "256/8");
    for (const bool decodeOnce : {true, false}) {
        double perCell[3][3] = {};
        for (int w = 0; w < 3; ++w) {
            const db::RowStore store = makeStore(rows, widths[w]);
            const StoreRows source(store, widths[w], decodeOnce);
            for (int i = 0; i < 3; ++i)
                perCell[i][w] = nsPerCell(writers[i].writer, source, folder.filePath(QStringLiteral("out")));
        }
        for (int i = 0; i < 3; ++i) {
            const double ratio = perCell[i][2] / perCell[i][0];
            std::printf("%-4s %-23s %8.1f %8.1f %8.1f %8.2f%s\n", writers[i].name,
                        decodeOnce ? "row decoded once" : "one look-up per cell", perCell[i][0], perCell[i][1],
                        perCell[i][2], ratio, decodeOnce ? (ratio <= 1.2 ? "  goal met" : "  GOAL MISSED") : "");
        }
    }
    return 0;
}
