#include "export/xlsx_workbook.h"

#include "app/app_error.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <xlsxwriter.h>

namespace {

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw AppError(QString::fromUtf8(lxw_strerror(error)));
}

} // namespace

void XlsxWorkbook::Discard::operator()(lxw_workbook *workbook) const
{
    lxw_workbook_free(workbook);
}

XlsxWorkbook::XlsxWorkbook(const QString &fileName, const QString &scratchFolder)
    : scratchFolder_(QFile::encodeName(scratchFolder))
{
    lxw_workbook_options options{};
    // Rows go to a scratch file as they are written instead of staying in
    // memory until the end: a large table costs no more memory than a small one.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratchFolder_.data();
    options.use_zip64 = LXW_TRUE;
    workbook_.reset(workbook_new_opt(QFile::encodeName(fileName).constData(), &options));
    if (!workbook_)
        throw AppError(QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    sheet_ = workbook_add_worksheet(workbook_.get(), nullptr);
    if (!sheet_)
        throw AppError(QString::fromUtf8(lxw_strerror(LXW_ERROR_CREATING_TMPFILE)));
}

XlsxWorkbook::~XlsxWorkbook() = default;

void XlsxWorkbook::writeText(qint64 row, int column, const QByteArray &utf8)
{
    if (utf8.isEmpty())
        return;
    check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                 utf8.constData(), nullptr));
}

void XlsxWorkbook::writeNumber(qint64 row, int column, double value)
{
    check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                 value, nullptr));
}

void XlsxWorkbook::setColumnWidth(int column, double width)
{
    check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column),
                               width, nullptr));
}

void XlsxWorkbook::save()
{
    // The library's message for a failed file operation only names the zip
    // error; the cause (a full disk, a file size limit) is left in errno.
    errno = 0;
    // workbook_close frees the workbook whatever it returns.
    const lxw_error error = workbook_close(workbook_.release());
    const int cause = errno;
    sheet_ = nullptr;
    if (error == LXW_NO_ERROR)
        return;
    QString text = QString::fromUtf8(lxw_strerror(error));
    const bool fileError = error == LXW_ERROR_ZIP_FILE_OPERATION || error == LXW_ERROR_CREATING_XLSX_FILE
        || error == LXW_ERROR_CREATING_TMPFILE || error == LXW_ERROR_READING_TMPFILE
        || error == LXW_ERROR_ZIP_FILE_ADD || error == LXW_ERROR_ZIP_CLOSE;
    if (fileError && cause != 0)
        text = QStringLiteral("The workbook could not be written: %1. (%2)")
                   .arg(QString::fromLocal8Bit(std::strerror(cause)), text);
    throw AppError(text);
}
