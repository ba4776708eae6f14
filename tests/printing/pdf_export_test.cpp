// The PDF export end to end: the grid's text printed through lp on the
// private scheduler's cups-pdf queue, and everything put back afterwards.

#include "app/app_error.h"
#include "app/error_trap.h"
#include "export/row_source.h"
#include "export/pdf_export.h"
#include "export/printers.h"
#include "export/private_temp_file.h"
#include "printing/cups_test_support.h"
#include "support/message_capture.h"

#include <QtTest>
#include <functional>
#include <memory>

using namespace cupstest;

namespace {

class TwoPeopleGrid : public CellTextSource {
public:
    int columnCount() const override { return 2; }
    QString caption(int column) const override { return column == 0 ? "Name" : "City"; }
    qint64 rowCount() const override { return 2; }
    QString cellText(qint64 row, int column) const override
    {
        static const char *cells[2][2] = {{"Ada Lovelace", "London"}, {"Grace Hopper", "Arlington"}};
        return QString::fromUtf8(cells[row][column]);
    }
};

const QString location = QStringLiteral("in Tabvale2020/08/02.Form3.mnuPDF_Click ");

} // namespace

class PdfExportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_CUPS();
        home_ = std::make_unique<PrivateHome>();
    }
    void init()
    {
        home_->forgetPrinterChoice();
        useServer(mainServer());
        tempParent_ = std::make_unique<QTemporaryDir>();
        temp_ = tempParent_->path();
        tempEnv_ = std::make_unique<ScopedEnv>("TEMP", temp_.toLocal8Bit());
    }
    void cleanup()
    {
        // Whatever the export did, it must not leave its text file behind.
        QVERIFY2(QDir(temp_).isEmpty(),
                 qPrintable(QDir(temp_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(", ")));
        tempEnv_.reset();
        tempParent_.reset();
    }
    void cleanupTestCase()
    {
        home_.reset();
        cupsSetServer(nullptr);
    }

    void exportPrintsOnePdfAndRestoresTheDefault_data()
    {
        QTest::addColumn<QString>("tempFolder");
        QTest::newRow("plain folder") << QString();
        QTest::newRow("folder with blanks") << QString("my  temp folder");
    }
    void exportPrintsOnePdfAndRestoresTheDefault()
    {
        QFETCH(QString, tempFolder);
        if (!tempFolder.isEmpty()) {
            QVERIFY(QDir(temp_).mkdir(tempFolder));
            temp_ = QDir(temp_).filePath(tempFolder);
            tempEnv_ = std::make_unique<ScopedEnv>("TEMP", temp_.toLocal8Bit());
        }
        QVERIFY(SetDefaultPrinter("Office Printer", false));
        const int before = lastJobId();

        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join("\n")));
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
        QCOMPARE(home_->userDefaultQueue(), QString("Office"));

        const std::vector<Job> jobs = jobsAfter(before);
        QCOMPARE(jobs.size(), size_t(1));
        QCOMPARE(jobs.front().queue, QString("Kestrelon_PDF_Writer"));
        QCOMPARE(waitForJob(jobs.front().id), IPP_JSTATE_COMPLETED);

        const QString pdf = pdfOfJob(jobs.front());
        QVERIFY2(!pdf.isEmpty(), qPrintable(jobs.front().title));
        const QString text = pdfText(pdf);
        QFile::remove(pdf);
        for (const char *expected : {"Name", "City", "Ada Lovelace", "London", "Grace Hopper", "Arlington"})
            QVERIFY2(text.contains(QLatin1String(expected)), qPrintable(text));
    }

    void exportWithNoDefaultLeavesNoDefault()
    {
        // This scheduler has no default of its own and the user has none:
        // the previous default cannot be named (reported as such), and the
        // PDF printer must not stay behind as the user's choice.
        const int before = lastJobId();
        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(boxes.texts().front().startsWith("Error No: "));
        QCOMPARE(home_->userDefaultQueue(), QString());

        const std::vector<Job> jobs = jobsAfter(before);
        QCOMPARE(jobs.size(), size_t(1));
        QCOMPARE(waitForJob(jobs.front().id), IPP_JSTATE_COMPLETED);
        QFile::remove(pdfOfJob(jobs.front()));
    }

    void schedulersDefaultIsPutBackWithoutBecomingTheUsers()
    {
        // A queue of its own as this scheduler's default, for this test only:
        // deleting the queue takes the scheduler's default away again.
        const auto lpadmin = [](const QStringList &arguments) {
            QProcess process;
            process.start(QStringLiteral("lpadmin"), arguments);
            return process.waitForFinished(30000) && process.exitCode() == 0;
        };
        struct QueueRemover {
            std::function<bool(const QStringList &)> run;
            ~QueueRemover() { run({"-x", "Scheduled"}); }
        } remover{lpadmin};
        QVERIFY(lpadmin({"-p", "Scheduled", "-E", "-v", "file:///dev/null", "-m",
                         "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd", "-D", "Scheduled Printer"}));
        QVERIFY(lpadmin({"-d", "Scheduled"}));
        QCOMPARE(GetDefaultPrinter(), QString("Scheduled Printer"));
        const int before = lastJobId();

        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join("\n")));
        QCOMPARE(home_->userDefaultQueue(), QString());
        QCOMPARE(GetDefaultPrinter(), QString("Scheduled Printer"));

        const std::vector<Job> jobs = jobsAfter(before);
        QCOMPARE(jobs.size(), size_t(1));
        QCOMPARE(waitForJob(jobs.front().id), IPP_JSTATE_COMPLETED);
        QFile::remove(pdfOfJob(jobs.front()));
    }

    void exportWithoutPdfPrinterDoesNothingVisible()
    {
        // Its own default is "Office Printer"; "kestrelon pdf writer" is there.
        useServer(noPdfServer());
        const int before = lastJobId();
        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join("\n")));
        QVERIFY(jobsAfter(before).empty());
        QVERIFY(!QFile::exists(home_->lpoptionsPath()));
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
    }

    void printingFailuresAreReportedAndCleanedUp_data()
    {
        QTest::addColumn<bool>("lpMissing");
        QTest::addColumn<QString>("description");
        QTest::newRow("lp not on PATH") << true << QString("The printing program lp was not found on PATH.");
        QTest::newRow("queue rejects jobs") << false << QString();
    }
    void printingFailuresAreReportedAndCleanedUp()
    {
        QFETCH(bool, lpMissing);
        QFETCH(QString, description);
        QVERIFY(SetDefaultPrinter("Office Printer", false));
        const int before = lastJobId();

        std::unique_ptr<ScopedEnv> path;
        if (lpMissing)
            path = std::make_unique<ScopedEnv>("PATH", tempParent_->filePath("no-programs-here").toLocal8Bit());
        else
            QCOMPARE(QProcess::execute("cupsreject", {"Kestrelon_PDF_Writer"}), 0);

        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        if (!lpMissing)
            QCOMPARE(QProcess::execute("cupsaccept", {"Kestrelon_PDF_Writer"}), 0);

        QCOMPARE(boxes.boxes().size(), size_t(1));
        const QString text = boxes.texts().front();
        const QString shownDescription = text.section("\r\n", 0, 0);
        if (!description.isEmpty())
            QCOMPARE(shownDescription, description);
        else
            // lp's own words on stderr
            QVERIFY2(shownDescription.contains("not accepting jobs"), qPrintable(text));
        QCOMPARE(text, ErrorTrap::reportText(shownDescription, location, 112));
        QVERIFY(jobsAfter(before).empty());
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
    }

    void lpIgnoresPrinterVariables()
    {
        // LPDEST would send the job to Office instead of the PDF printer.
        ScopedEnv lpdest("LPDEST", "Office");
        ScopedEnv printer("PRINTER", "Office");
        QVERIFY(SetDefaultPrinter("Office Printer", false));
        const int before = lastJobId();
        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        const std::vector<Job> jobs = jobsAfter(before);
        QCOMPARE(jobs.size(), size_t(1));
        QCOMPARE(jobs.front().queue, QString("Kestrelon_PDF_Writer"));
        QCOMPARE(waitForJob(jobs.front().id), IPP_JSTATE_COMPLETED);
        QFile::remove(pdfOfJob(jobs.front()));
    }

    void temporaryFilesAreNewAndOwnerOnly()
    {
        const QString first = createPrivateTempFile("tabvale-XXXXXX.txt");
        const QString second = createPrivateTempFile("tabvale-XXXXXX.txt");
        QVERIFY(first != second);
        QCOMPARE(QFileInfo(first).absolutePath(), QFileInfo(temp_).absoluteFilePath());
        const QFile::Permissions mode = QFile::permissions(first);
        QVERIFY(mode.testFlags(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(!(mode & 0x0077)); // nothing for group or others
        KillFile(first);
        QFile::setPermissions(second, QFile::ReadOwner);
        KillFile(second);
        KillFile(second); // already gone: still no complaint
        QVERIFY(!QFile::exists(first) && !QFile::exists(second));

        ScopedEnv missing("TEMP", QDir(temp_).filePath("missing").toLocal8Bit());
        QVERIFY_THROWS_EXCEPTION(AppError, createPrivateTempFile("tabvale-XXXXXX.txt"));
    }

    void unusableTempFolderIsReportedOnce()
    {
        ScopedEnv missing("TEMP", QDir(temp_).filePath("missing").toLocal8Bit());
        QVERIFY(SetDefaultPrinter("Office Printer", false));
        const int before = lastJobId();
        MessageCapture boxes;
        exportGridToPdf(TwoPeopleGrid());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        // The writer makes the file, so the failure is the writer's.
        QVERIFY2(boxes.texts().front().contains("in Tabvale2020/08/02.Datagrid1.SaveDataGridToFile at line 134"),
                 qPrintable(boxes.texts().front()));
        QVERIFY(jobsAfter(before).empty());
        QCOMPARE(home_->userDefaultQueue(), QString("Office"));
    }

private:
    std::unique_ptr<PrivateHome> home_;
    std::unique_ptr<QTemporaryDir> tempParent_;
    std::unique_ptr<ScopedEnv> tempEnv_;
    QString temp_;
};

QTEST_GUILESS_MAIN(PdfExportTest)
#include "pdf_export_test.moc"
