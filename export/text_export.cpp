#include "export/text_export.h"

#include "export/datagrid_writers.h"
#include "export/save_dialog.h"

namespace {

QString filterFor(TextFormat format)
{
    switch (format) {
    case TextFormat::Csv: return QStringLiteral("CSV Files (*.csv)");
    case TextFormat::Tab: return QStringLiteral("Text Files (*.txt)");
    case TextFormat::Xml: return QStringLiteral("XML Files (*.xml)");
    }
    return {};
}

void write(TextFormat format, const RowSource &grid, const QString &fileName)
{
    switch (format) {
    case TextFormat::Csv: SaveDataGridToCSVFile(grid, fileName); return;
    case TextFormat::Tab: SaveDataGridToFile(grid, fileName); return;
    case TextFormat::Xml: SaveDataGridToXMLFile(grid, fileName); return;
    }
}

} // namespace

void saveGridAsText(TextFormat format, const RowSource &grid, QWidget *dialogParent, const BusyPointer &busy,
                    QString &lastFileName)
{
    const QString fileName = askSaveFileName(dialogParent, QStringLiteral("Save"), filterFor(format), lastFileName);
    if (fileName.isEmpty())
        return;
    lastFileName = fileName;
    busy(true);
    write(format, grid, fileName);
    busy(false);
}
