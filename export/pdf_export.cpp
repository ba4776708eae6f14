#include "export/pdf_export.h"

#include "app/app_error.h"
#include "app/error_trap.h"
#include "app/message_box.h"
#include "export/cups_destinations.h"
#include "export/datagrid_writers.h"
#include "export/print_command.h"
#include "export/printers.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

QString pdfWriterInstructions()
{
    const QStringList lines{
        pdfPrinterName + QStringLiteral(" is not installed. Please follow these instructions:"),
        QString(),
        QStringLiteral("1) Install the PDF printer driver for CUPS: "
                       "sudo apt-get install printer-driver-cups-pdf"),
        QStringLiteral("2) Add a printer described \"") + pdfPrinterName
            + QStringLiteral("\" that uses it: sudo lpadmin -p Kestrelon_PDF_Writer -E "
                             "-v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D \"")
            + pdfPrinterName + QStringLiteral("\" -o pdftops-renderer-default=pdftocairo"),
        QStringLiteral("3) Restart Tabvale. The PDF files are written to the folder PDF "
                       "in your home folder."),
    };
    return lines.join(QLatin1String("\r\n"));
}

void CheckPdfWriterInstalled()
{
    CupsDestinations destinations;
    // Without a running scheduler there is no printer at all: the user is
    // told how to get the PDF printer, and that the scheduler must run.
    if (destinations.schedulerUnreachable()) {
        msgbox::show(pdfWriterInstructions()
                     + QStringLiteral("\r\n\r\nThe printing system (CUPS) is not running here; "
                                      "start it first (sudo service cups start)."));
        return;
    }
    if (!destinations.findByName(pdfPrinterName))
        msgbox::show(pdfWriterInstructions());
}

void KillFile(const QString &path)
{
    QCoreApplication::processEvents();
    if (QFile::remove(path))
        return;
    // The equivalent of a forced delete: make the file writable and retry.
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    QFile::remove(path);
}

void exportGridToPdf(const RowSource &grid)
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form3.mnuPDF_Click "));
    QString tempPath;
    QString previousDefault;
    QString printProgram;

    // The writer makes the file, with a name no other file has, in the
    // temporary folder: a folder where it cannot be made is its failure.
    QString nameTemplate;
    trap.step(100, [&] { nameTemplate = QStringLiteral("tabvale-XXXXXX.txt"); });
    trap.step(102, [&] { tempPath = writeTabTextToNewTempFile(grid, nameTemplate); });
    // The writer always writes at least a line end; no file or an empty one
    // means it failed (and said so), and printing it would only fail again.
    const bool written = trap.test(104, [&] {
        const QFileInfo info(tempPath);
        return !tempPath.isEmpty() && info.isFile() && info.size() > 0;
    });
    if (!written) {
        if (!tempPath.isEmpty())
            KillFile(tempPath);
        return;
    }

    bool previousWasUsersChoice = false;
    trap.step(106, [&] {
        previousWasUsersChoice = userChoseDefaultPrinter();
        previousDefault = GetDefaultPrinter();
    });
    bool switched = false;
    trap.step(108, [&] { switched = SetDefaultPrinter(pdfPrinterName, false); });
    if (switched) {
        trap.step(110, [&] { printProgram = findPrintProgram(); });
        trap.step(112, [&] { printFile(printProgram, tempPath); });
    }
    trap.step(114, [&] { KillFile(tempPath); });
    // Nothing to put back unless the default was switched; writing it anyway
    // would pin the scheduler's default as the user's own choice.
    if (switched) {
        trap.step(116, [&] {
            if (previousWasUsersChoice && !previousDefault.isEmpty())
                SetDefaultPrinter(previousDefault, false);
            else
                // The default was the scheduler's (or there was none): taking
                // our choice away again makes it so, without making it the
                // user's.
                clearUserDefaultPrinter();
        });
    }
}
