// Reading and setting the default printer, and the start-up check for the
// PDF printer, against the private CUPS schedulers.

#include "app/app_error.h"
#include "app/app_title.h"
#include "export/pdf_export.h"
#include "export/printers.h"
#include "printing/cups_test_support.h"
#include "support/message_capture.h"

#include <QtTest>
#include <memory>

using namespace cupstest;

class PrintersTest : public QObject {
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
    }
    void cleanupTestCase()
    {
        home_.reset();
        cupsSetServer(nullptr);
    }

    void setThenGetNamesThePrinterByDescription()
    {
        MessageCapture boxes;
        QVERIFY(SetDefaultPrinter("Kestrelon PDF Writer", false));
        QCOMPARE(home_->userDefaultQueue(), QString("Kestrelon_PDF_Writer"));
        QCOMPARE(GetDefaultPrinter(), QString("Kestrelon PDF Writer"));

        QVERIFY(SetDefaultPrinter("Office Printer", true));
        QCOMPARE(home_->userDefaultQueue(), QString("Office"));
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
        QVERIFY(boxes.texts().isEmpty());
    }

    void setRefusesNamesNoPrinterBears_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("unknown") << QString("No Such Printer");
        QTest::newRow("case differs") << QString("kestrelon pdf writer");
        // A printer with a description is known by that, not by its queue.
        QTest::newRow("queue name") << QString("Kestrelon_PDF_Writer");
    }
    void setRefusesNamesNoPrinterBears()
    {
        QFETCH(QString, name);
        QVERIFY(SetDefaultPrinter("Office Printer", false));
        const QByteArray before = home_->lpoptions();

        MessageCapture boxes;
        QVERIFY(!SetDefaultPrinter(name, false));
        QVERIFY(boxes.texts().isEmpty());
        QVERIFY(!SetDefaultPrinter(name, true));
        QCOMPARE(boxes.texts(), QStringList{"Cannot set printer."});
        QCOMPARE(boxes.boxes().front().flags, int(msgbox::OkOnly));

        QCOMPARE(home_->lpoptions(), before);
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
    }

    void setWithoutSchedulerFailsQuietly()
    {
        useServer(home_->lpoptionsPath() + ".missing.sock");
        MessageCapture boxes;
        QVERIFY(!SetDefaultPrinter("Office Printer", false));
        QVERIFY(boxes.texts().isEmpty());
        QVERIFY(!SetDefaultPrinter("Office Printer", true));
        QCOMPARE(boxes.texts(), QStringList{"Cannot set printer."});
    }

    void schedulersOwnDefaultCountsAsTheDefault()
    {
        useServer(noPdfServer());
        MessageCapture boxes;
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
        QVERIFY(boxes.texts().isEmpty());

        // The user's choice wins over the scheduler's; dropping it returns
        // to the scheduler's.
        QVERIFY(SetDefaultPrinter("kestrelon pdf writer", false));
        QCOMPARE(GetDefaultPrinter(), QString("kestrelon pdf writer"));
        QVERIFY(clearUserDefaultPrinter());
        QCOMPARE(home_->userDefaultQueue(), QString());
        QCOMPARE(GetDefaultPrinter(), QString("Office Printer"));
    }

    void getReportsFailureInItsOwnBox_data()
    {
        QTest::addColumn<bool>("schedulerRunning");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("description");
        // The main scheduler has printers but no default of its own.
        QTest::newRow("no default") << true << QString::number(IPP_STATUS_ERROR_NOT_FOUND)
                                    << QString("No default printer is set.");
        QTest::newRow("no scheduler") << false << QString() << QString();
    }
    void getReportsFailureInItsOwnBox()
    {
        QFETCH(bool, schedulerRunning);
        QFETCH(QString, number);
        QFETCH(QString, description);
        if (!schedulerRunning)
            useServer(home_->lpoptionsPath() + ".missing.sock");

        MessageCapture boxes;
        QCOMPARE(GetDefaultPrinter(), QString());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        const msgbox::Request &box = boxes.boxes().front();
        QCOMPARE(box.flags, int(msgbox::OkOnly));
        QCOMPARE(box.title, appTitle());
        const QStringList lines = box.text.split("\r\n");
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("Error No: "));
        bool numeric = false;
        const int shownNumber = lines[0].mid(10).toInt(&numeric);
        QVERIFY(numeric && shownNumber > 0);
        if (!number.isEmpty())
            QCOMPARE(lines[0].mid(10), number);
        QVERIFY(!lines[1].isEmpty());
        if (!description.isEmpty())
            QCOMPARE(lines[1], description);
        QCOMPARE(lines[2], QString("Has occured in modPrinters.GetDefaultPrinter"));
        QCOMPARE(lines[3], QString("Please contact Technical Support"));
    }

    void pdfWriterCheckIsSilentWhenInstalled()
    {
        MessageCapture boxes;
        CheckPdfWriterInstalled();
        QVERIFY(boxes.texts().isEmpty());
    }

    void pdfWriterCheckExplainsInstallationOnceWhenMissing()
    {
        // That scheduler has "kestrelon pdf writer": only letter case differs.
        useServer(noPdfServer());
        MessageCapture boxes;
        CheckPdfWriterInstalled();
        QCOMPARE(boxes.boxes().size(), size_t(1));
        const msgbox::Request &box = boxes.boxes().front();
        QCOMPARE(box.flags, int(msgbox::OkOnly));
        QCOMPARE(box.text, pdfWriterInstructions());

        const QStringList lines = box.text.split("\r\n");
        QCOMPARE(lines[0], QString("Kestrelon PDF Writer is not installed. Please follow these instructions:"));
        QCOMPARE(lines[1], QString());
        QVERIFY(lines.size() >= 4);
        for (int i = 2; i < lines.size(); ++i)
            QVERIFY2(lines[i].startsWith(QString::number(i - 1) + ") "), qPrintable(lines[i]));
        QVERIFY(box.text.contains("printer-driver-cups-pdf"));
        QVERIFY(box.text.contains("-D \"Kestrelon PDF Writer\""));
        QVERIFY(!box.text.endsWith("\n"));
    }

    void pdfWriterCheckWithoutSchedulerExplainsInstallationToo()
    {
        // No scheduler means no printer at all; start-up must not greet the
        // user with an error report for it.
        useServer(home_->lpoptionsPath() + ".missing.sock");
        MessageCapture boxes;
        CheckPdfWriterInstalled();
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(boxes.texts()[0].startsWith(pdfWriterInstructions() + "\r\n\r\nThe printing system (CUPS) is not running"));
    }

private:
    std::unique_ptr<PrivateHome> home_;
};

QTEST_GUILESS_MAIN(PrintersTest)
#include "printers_test.moc"
