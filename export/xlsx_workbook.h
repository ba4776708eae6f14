#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

struct lxw_workbook;
struct lxw_worksheet;

// One .xlsx file with one worksheet, written row by row with bounded memory.
// Nothing reaches the disk until save(); a workbook dropped unsaved leaves no
// file. Failures throw AppError with libxlsxwriter's own message.
class XlsxWorkbook {
public:
    // scratchFolder receives libxlsxwriter's own temporary files.
    XlsxWorkbook(const QString &fileName, const QString &scratchFolder);
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    static constexpr qint64 maxRows = 1048576;
    static constexpr int maxColumns = 16384;

    // Rows must be written in ascending order. Text is UTF-8; an empty text
    // leaves the cell empty.
    void writeText(qint64 row, int column, const QByteArray &utf8);
    void writeNumber(qint64 row, int column, double value);
    void setColumnWidth(int column, double width);

    // Writes the file and releases the workbook; no call is allowed after it.
    void save();

private:
    struct Discard {
        void operator()(lxw_workbook *workbook) const;
    };
    std::unique_ptr<lxw_workbook, Discard> workbook_;
    lxw_worksheet *sheet_ = nullptr;
    QByteArray scratchFolder_;
};
