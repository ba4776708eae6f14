#include "export/spreadsheet_export.h"

#include "app/app_title.h"
#include "app/error_trap.h"
#include "app/ui/kit/wizard_window.h"
#include "export/process_launch.h"
#include "export/spreadsheet_cells.h"
#include "app/work_progress.h"
#include "memory_grid.h"
#include "support/message_capture.h"
#include "support/small_disk.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QString location = QStringLiteral("in Tabvale.Form3.mnuXLS_Click ");
const QString notInstalled = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this feature.");

// The stand-in spreadsheet program: records its arguments and keeps a copy of
// the workbook it was asked to open.
const char standInScript[] = "#!/bin/sh\n"
                             "out=\"$TABVALE_TEST_SPREADSHEET_OUT\"\n"
                             "cp \"$2\" \"$out/copy.xlsx\"\n"
                             "printf '%s\\n' \"$@\" > \"$out/args.part\"\n"
                             "mv \"$out/args.part\" \"$out/args\"\n";

// Cells as openpyxl reads them: [type, value] with type "n" for numbers and
// "s" for text, null for empty cells; and the width of each used column.
const char readWorkbook[] = "import json, sys, openpyxl\n"
                            "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                            "cell = lambda v: None if v is None else ['s', v] if isinstance(v, str) else ['n', v]\n"
                            "rows = [[cell(c.value) for c in r] for r in ws.iter_rows()]\n"
                            "widths = [ws.column_dimensions[chr(65 + i)].width for i in range(ws.max_column)]\n"
                            "print(json.dumps({'rows': rows, 'widths': widths}))\n";

// A grid that claims more rows than a worksheet holds, without holding them.
class HugeGrid : public CellTextSource {
public:
    int columnCount() const override { return 1; }
    QString caption(int) const override { return QStringLiteral("N"); }
    qint64 rowCount() const override { return 1048576; }
    QString cellText(qint64 row, int) const override { return QString::number(row); }
};

QJsonArray text(const QString &value) { return {QStringLiteral("s"), value}; }
QJsonArray number(double value) { return {QStringLiteral("n"), value}; }

} // namespace

class SpreadsheetExportTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        scratch_ = std::make_unique<QTemporaryDir>();
        QVERIFY(scratch_->isValid());
        for (const char *sub : {"bin", "empty-bin", "out", "tmp"})
            QVERIFY(QDir(scratch_->path()).mkpath(sub));
        QFile script(path("bin/soffice"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(standInScript);
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

        savedPath_ = qgetenv("PATH");
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("PATH", (path("bin") + ':').toLocal8Bit() + savedPath_);
        qputenv("TMPDIR", path("tmp").toLocal8Bit());
        qputenv("TABVALE_TEST_SPREADSHEET_OUT", path("out").toLocal8Bit());
    }

    void cleanup()
    {
        qputenv("PATH", savedPath_);
        if (savedTmp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmp_);
        scratch_.reset();
    }

    void writesCaptionsAndRowsAndOpensAnUntitledCopy()
    {
        const MemoryGrid grid({"ID", "CODE", "NAME"},
                              {{"1", "001", "Ærø 東京"}, {"2.5", "002", std::nullopt}}, {0});
        WizardWindow window;
        QList<int> pointers;
        connect(&window, &WizardWindow::mousePointerChanged, this, [&](int value) { pointers.append(value); });
        MessageCapture boxes;

        exportGridToSpreadsheet(grid, busyPointerOf(window));

        QVERIFY(boxes.boxes().empty());
        QCOMPARE(pointers, (QList<int>{WizardWindow::Hourglass, WizardWindow::Default}));
        const QStringList args = waitForArguments();
        QCOMPARE(args.size(), 2);
        QCOMPARE(args[0], QStringLiteral("-n"));
        QVERIFY2(args[1].startsWith(path("tmp") + '/') && args[1].endsWith(".xlsx"), qPrintable(args[1]));

        const QJsonObject book = readBack(path("out/copy.xlsx"));
        QCOMPARE(book["rows"].toArray(),
                 (QJsonArray{QJsonArray{text("ID"), text("CODE"), text("NAME")},
                             QJsonArray{number(1), text("001"), text("Ærø 東京")},
                             QJsonArray{number(2.5), text("002"), QJsonValue()}}));
    }

    void columnWidthsFollowTheTextsWithinACap()
    {
        const MemoryGrid grid({"ID", "SHORT", "LONG"},
                              {{"1", "abc", QString(300, QLatin1Char('w'))},
                               {"2", "a somewhat longer text", "x"}}, {0});
        WizardWindow window;
        exportGridToSpreadsheet(grid, busyPointerOf(window));
        waitForArguments();
        const QJsonArray widths = readBack(path("out/copy.xlsx"))["widths"].toArray();
        QCOMPARE(widths.size(), 3);
        QVERIFY(widths[0].toDouble() < widths[1].toDouble());
        QVERIFY(widths[1].toDouble() >= 22);
        QVERIFY(widths[1].toDouble() < widths[2].toDouble());
        // libxlsxwriter rounds widths to whole pixels.
        QVERIFY(qAbs(widths[2].toDouble() - ColumnWidth::maximum) < 1);
    }

    void nextExportRemovesThePreviousWorkbook()
    {
        const MemoryGrid grid({"ID"}, {{"1"}});
        WizardWindow window;
        exportGridToSpreadsheet(grid, busyPointerOf(window));
        const QString first = waitForArguments().value(1);
        QVERIFY(QFile::exists(first));
        QFile::remove(path("out/args"));
        exportGridToSpreadsheet(grid, busyPointerOf(window));
        const QString second = waitForArguments().value(1);
        QVERIFY(QFile::exists(second));
        QVERIFY(!QFile::exists(first));
        QVERIFY(!QFileInfo::exists(QFileInfo(first).path()));
    }

    void missingProgramShowsOneBoxAndNothingElse()
    {
        qputenv("PATH", path("empty-bin").toLocal8Bit());
        int starts = 0;
        const ProgramStarter previous = setProgramStarter([&](const QString &, const QStringList &) {
            ++starts;
            return true;
        });
        WizardWindow window;
        QList<int> pointers;
        connect(&window, &WizardWindow::mousePointerChanged, this, [&](int value) { pointers.append(value); });
        MessageCapture boxes;

        exportGridToSpreadsheet(MemoryGrid({"ID"}, {{"1"}}), busyPointerOf(window));
        setProgramStarter(previous);

        QCOMPARE(boxes.texts(), QStringList{notInstalled});
        QCOMPARE(boxes.boxes().front().flags, int(msgbox::OkOnly));
        QCOMPARE(boxes.boxes().front().title, appTitle());
        QCOMPARE(starts, 0);
        QVERIFY(pointers.isEmpty());
        QVERIFY(QDir(path("tmp")).isEmpty());
    }

    void libreofficeCountsAsTheProgram()
    {
        QVERIFY(QFile::rename(path("bin/soffice"), path("bin/libreoffice")));
        // Only our folder, so that an installed LibreOffice does not answer.
        qputenv("PATH", path("bin").toLocal8Bit());
        MessageCapture boxes;
        QVERIFY(IsExcelInstalled());
        QCOMPARE(spreadsheetProgram(), path("bin/libreoffice"));
        QVERIFY(boxes.boxes().empty());
    }

    void emptyGridDoesNothingAtAll()
    {
        // Not even the check for the program, which would show its box here.
        qputenv("PATH", path("empty-bin").toLocal8Bit());
        WizardWindow window;
        QList<int> pointers;
        connect(&window, &WizardWindow::mousePointerChanged, this, [&](int value) { pointers.append(value); });
        MessageCapture boxes;
        exportGridToSpreadsheet(MemoryGrid({"ID", "NAME"}, {}), busyPointerOf(window));
        QVERIFY(boxes.boxes().empty());
        QVERIFY(pointers.isEmpty());
        QVERIFY(QDir(path("tmp")).isEmpty());
    }

    void unusableTemporaryFolderIsReported_data()
    {
        QTest::addColumn<QString>("tmpdir");
        QTest::newRow("missing folder") << QStringLiteral("missing/deeper");
        QTest::newRow("a file, not a folder") << QStringLiteral("bin/soffice");
    }

    void unusableTemporaryFolderIsReported()
    {
        QFETCH(QString, tmpdir);
        qputenv("TMPDIR", path(tmpdir).toLocal8Bit());
        WizardWindow window;
        MessageCapture boxes;
        QList<int> pointerAtBox;
        boxes.onBox([&](const msgbox::Request &) { pointerAtBox.append(window.MousePointer()); });

        exportGridToSpreadsheet(MemoryGrid({"ID"}, {{"1"}}), busyPointerOf(window));

        QCOMPARE(boxes.boxes().size(), size_t(1));
        const QString text = boxes.texts().front();
        QVERIFY2(text.startsWith("Cannot create a temporary folder in \"" + path(tmpdir) + "\": "), qPrintable(text));
        QVERIFY2(text.contains("\r\n" + location + "at line 106\r\r"), qPrintable(text));
        QCOMPARE(boxes.boxes().front().flags, int(msgbox::Exclamation));
        QCOMPARE(pointerAtBox, QList<int>{WizardWindow::Hourglass});
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
        QVERIFY(!QFile::exists(path("out/args")));
    }

    // A full disk is reported with its cause, not only the library's zip
    // error, and the workbook's folder goes at once.
    void fullDiskIsReportedWithItsCauseAndLeavesNothing()
    {
        const SmallDisk disk(path("tmp"), 256);
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        QRandomGenerator random(22);
        QList<QList<MemoryGrid::Cell>> rows;
        for (int i = 0; i < 2000; ++i) {
            QString noise;
            for (int j = 0; j < 64; ++j)
                noise += QString::number(random.generate64(), 36);
            rows.append({QString::number(i), noise});
        }
        WizardWindow window;
        MessageCapture boxes;
        exportGridToSpreadsheet(MemoryGrid({"ID", "NOISE"}, rows, {0}), busyPointerOf(window));

        QCOMPARE(boxes.boxes().size(), size_t(1));
        const QString text = boxes.texts().front();
        QVERIFY2(text.contains("No space left on device"), qPrintable(text));
        QVERIFY2(text.contains("\r\n" + location + "at line 152\r\r"), qPrintable(text));
        QCOMPARE(QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        QVERIFY(!QFile::exists(path("out/args")));
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
    }

    void stoppedExportLeavesNothing()
    {
        const workprogress::Listener stop([](qint64 done) { return done < 1; });
        WizardWindow window;
        MessageCapture boxes;
        exportGridToSpreadsheet(MemoryGrid({"ID"}, {{"1"}, {"2"}, {"3"}}), busyPointerOf(window));
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        QVERIFY(!QFile::exists(path("out/args")));
    }

    void unreadableCellIsReportedAndTheRestWritten()
    {
        MemoryGrid grid({"ID", "NAME"}, {{"1", "Ann"}, {"2", "Bob"}}, {0});
        grid.failAt(1, 1);
        WizardWindow window;
        MessageCapture boxes;
        exportGridToSpreadsheet(grid, busyPointerOf(window));
        QCOMPARE(boxes.texts(), QStringList{ErrorTrap::reportText("Cell 1,1 cannot be read", location, 140)});
        waitForArguments();
        QCOMPARE(readBack(path("out/copy.xlsx"))["rows"].toArray(),
                 (QJsonArray{QJsonArray{text("ID"), text("NAME")}, QJsonArray{number(1), text("Ann")},
                             QJsonArray{number(2), QJsonValue()}}));
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
    }

    // libxlsxwriter refuses a text longer than a cell holds; its own message
    // is reported for that cell only.
    void cellTooLongForTheSheetIsReportedWithTheLibrarysMessage()
    {
        const MemoryGrid grid({"ID", "NOTE"}, {{"1", QString(40000, QLatin1Char('n'))}, {"2", "short"}}, {0});
        WizardWindow window;
        MessageCapture boxes;
        exportGridToSpreadsheet(grid, busyPointerOf(window));
        QCOMPARE(boxes.texts(), QStringList{ErrorTrap::reportText(
                                    "String exceeds Excel's limit of 32,767 characters.", location, 140)});
        waitForArguments();
        QCOMPARE(readBack(path("out/copy.xlsx"))["rows"].toArray()[2].toArray(),
                 (QJsonArray{number(2), text("short")}));
    }

    void tableTooLongForASheetIsReportedOnce()
    {
        WizardWindow window;
        MessageCapture boxes;
        exportGridToSpreadsheet(HugeGrid(), busyPointerOf(window));
        QCOMPARE(boxes.texts(),
                 QStringList{ErrorTrap::reportText(
                     "The table has 1048576 rows; a worksheet holds at most 1048575 below its captions.", location,
                     124)});
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
        QVERIFY(!QFile::exists(path("out/args")));
    }

    void plainNumbersOnly_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "42" << true << 42.0;
        QTest::newRow("negative decimal") << "-0.25" << true << -0.25;
        QTest::newRow("no integer part") << ".5" << true << 0.5;
        QTest::newRow("exponent") << "1.5E+3" << true << 1500.0;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("trailing zeros do not count") << "0.1000000000000000000" << true << 0.1;
        QTest::newRow("fifteen digits") << "123456789012345" << true << 123456789012345.0;
        QTest::newRow("sixteen digits lose precision") << "1234567890123456" << false << 0.0;
        QTest::newRow("leading zeros") << "001" << false << 0.0;
        QTest::newRow("plus sign") << "+1" << false << 0.0;
        QTest::newRow("trailing point") << "1." << false << 0.0;
        QTest::newRow("comma") << "1,5" << false << 0.0;
        QTest::newRow("blank inside") << "1 000" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("words") << "NaN" << false << 0.0;
    }

    void plainNumbersOnly()
    {
        QFETCH(QString, cell);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> parsed = plainNumber(cell.toUtf8());
        QCOMPARE(parsed.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*parsed, value);
    }

private:
    QString path(const QString &name) const { return scratch_->filePath(name); }

    QStringList waitForArguments() const
    {
        QFile args(path("out/args"));
        if (!QTest::qWaitFor([&] { return args.exists(); }, 10000))
            return {};
        if (!args.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(args.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    static QJsonObject readBack(const QString &file)
    {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(readWorkbook), file});
        python.waitForFinished(30000);
        const QByteArray output = python.readAllStandardOutput();
        if (python.exitCode() != 0)
            qWarning("%s", python.readAllStandardError().constData());
        return QJsonDocument::fromJson(output).object();
    }

    std::unique_ptr<QTemporaryDir> scratch_;
    QByteArray savedPath_;
    QByteArray savedTmp_;
};

QTEST_MAIN(SpreadsheetExportTest)
#include "spreadsheet_export_test.moc"
