#include "export/spreadsheet_export.h"

#include "app/app_error.h"
#include "app/error_trap.h"
#include "app/message_box.h"
#include "app/work_progress.h"
#include "export/row_source.h"
#include "export/process_launch.h"
#include "export/spreadsheet_cells.h"
#include "export/xlsx_workbook.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {

// The spreadsheet program reads the workbook some time after it starts, so
// the folder of the last workbook shown stays until the next export or the
// program's end.
std::unique_ptr<QTemporaryDir> &lastExportFolder()
{
    static std::unique_ptr<QTemporaryDir> folder;
    return folder;
}

std::unique_ptr<QTemporaryDir> makeExportFolder()
{
    // TMPDIR as given: Qt's temporary path falls back to the root folder
    // when TMPDIR names a folder that does not exist.
    QString parent = qEnvironmentVariable("TMPDIR");
    if (parent.isEmpty())
        parent = QDir::tempPath();
    auto folder = std::make_unique<QTemporaryDir>(parent + QStringLiteral("/tabvale-XXXXXX"));
    if (!folder->isValid())
        throw AppError(QStringLiteral("Cannot create a temporary folder in \"%1\": %2")
                           .arg(QDir::toNativeSeparators(parent), folder->errorString()));
    return folder;
}

// The folder is declared first so that it goes last, after the workbook's
// scratch files in it are closed. It is kept only once the workbook is shown:
// a failed or stopped export leaves nothing behind.
struct OpenWorkbook {
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<XlsxWorkbook> book;
    QString fileName;
};

OpenWorkbook createWorkbook()
{
    lastExportFolder().reset();
    OpenWorkbook open;
    open.folder = makeExportFolder();
    open.fileName = open.folder->filePath(QStringLiteral("Tabvale.xlsx"));
    open.book = std::make_unique<XlsxWorkbook>(open.fileName, open.folder->path());
    return open;
}

// Fills the sheet and shows it. Statements that would only fail again once
// the workbook is missing or cannot hold the table are not run.
void fillAndShow(ErrorTrap &trap, const RowSource &grid, qint64 rows)
{
    OpenWorkbook workbook;
    trap.step(106, [&] { workbook = createWorkbook(); });
    if (!workbook.book)
        return;
    XlsxWorkbook &book = *workbook.book;

    int columns = 0;
    std::vector<bool> numeric;
    bool columnsFit = false;
    trap.step(112, [&] {
        columns = grid.columnCount();
        if (columns > XlsxWorkbook::maxColumns)
            throw AppError(QStringLiteral("The table has %1 columns; a worksheet holds at most %2.")
                               .arg(columns)
                               .arg(XlsxWorkbook::maxColumns));
        for (int i = 0; i < columns; ++i)
            numeric.push_back(grid.isNumericColumn(i));
        columnsFit = true;
    });
    if (!columnsFit)
        return;

    std::vector<ColumnWidth> widths(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        trap.step(114, [&] {
            const QByteArray caption = grid.caption(i).toUtf8();
            widths[i].measure(caption);
            book.writeText(0, i, caption);
        });
    }

    bool rowsFit = false;
    trap.step(124, [&] {
        if (rows >= XlsxWorkbook::maxRows)
            throw AppError(QStringLiteral("The table has %1 rows; a worksheet holds at most %2 below its captions.")
                               .arg(rows)
                               .arg(XlsxWorkbook::maxRows - 1));
        rowsFit = true;
    });
    if (!rowsFit)
        return;

    RowCells cells;
    QByteArray cell;
    for (qint64 row = 0; row < rows; ++row) {
        if (!workprogress::report(row))
            return; // stopped by the user: no workbook is shown
        const qint64 sheetRow = row + 1;
        grid.read(row, cells);
        for (int i = 0; i < columns; ++i) {
            trap.step(140, [&] {
                cell.resize(0);
                cell.append(cells.utf8(i));
                widths[i].measure(cell);
                if (numeric[i]) {
                    if (const std::optional<double> number = plainNumber(cell)) {
                        book.writeNumber(sheetRow, i, *number);
                        return;
                    }
                }
                book.writeText(sheetRow, i, cell);
            });
        }
    }

    trap.step(150, [&] {
        for (int i = 0; i < columns; ++i)
            book.setColumnWidth(i, widths[i].width());
    });

    trap.step(152, [&] {
        book.save();
        QString program = spreadsheetProgram();
        if (program.isEmpty())
            program = QStringLiteral("soffice");
        // -n opens the file as a template: a new, untitled workbook.
        startDetachedProgram(program, {QStringLiteral("-n"), workbook.fileName});
        lastExportFolder() = std::move(workbook.folder);
    });
}

} // namespace

QString spreadsheetProgram()
{
    for (const QString &name : {QStringLiteral("soffice"), QStringLiteral("libreoffice")}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool IsExcelInstalled()
{
    if (!spreadsheetProgram().isEmpty())
        return true;
    msgbox::show(QStringLiteral(
        "Excel is not installed on this computer. You need to have it installed to use this feature."));
    return false;
}

void exportGridToSpreadsheet(const RowSource &grid, const BusyPointer &busy)
{
    ErrorTrap trap(QStringLiteral("in Tabvale.Form3.mnuXLS_Click "));
    qint64 rows = 0;
    if (trap.test(100, [&] { return (rows = grid.rowCount()) <= 0; }))
        return;
    if (trap.test(102, [&] { return !IsExcelInstalled(); }))
        return;
    trap.step(104, [&] { busy(true); });
    fillAndShow(trap, grid, rows);
    trap.step(154, [&] { busy(false); });
}
