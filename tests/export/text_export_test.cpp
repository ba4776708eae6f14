#include "export/text_export.h"

#include "app/error_trap.h"
#include "app/ui/kit/wait_dialog.h"
#include "app/ui/kit/wizard_window.h"
#include "export/save_dialog.h"
#include "memory_grid.h"
#include "support/message_capture.h"
#include "support/wait_cancel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct DialogCall {
    QString title;
    QString filter;
    QString startName;
    bool hadParent = false;
};

// Answers the save dialog with the queued names ("" = cancel) and records how
// it was opened.
class DialogAnswers {
public:
    explicit DialogAnswers(QStringList answers) : answers_(std::move(answers))
    {
        previous_ = setSaveDialogHandler([this](QWidget *parent, const QString &title, const QString &filter,
                                                const QString &startName) {
            calls.append({title, filter, startName, parent != nullptr});
            return answers_.isEmpty() ? QString() : answers_.takeFirst();
        });
    }
    ~DialogAnswers() { setSaveDialogHandler(std::move(previous_)); }

    QList<DialogCall> calls;

private:
    QStringList answers_;
    SaveDialogHandler previous_;
};

// More rows than any export here would finish while the test waits.
class EndlessGrid : public CellTextSource {
public:
    int columnCount() const override { return 2; }
    QString caption(int column) const override { return column ? QStringLiteral("B") : QStringLiteral("A"); }
    qint64 rowCount() const override { return 200'000'000; }
    QString cellText(qint64 row, int) const override { return QString::number(row); }
};

} // namespace

class TextExportTest : public QObject {
    Q_OBJECT

private slots:
    void dialogKeepsTheLastChosenNameAcrossTheEntries()
    {
        QTemporaryDir folder;
        const QString first = folder.filePath("first.csv");
        const QString second = folder.filePath("second");
        DialogAnswers dialog({first, second, QString()});
        const MemoryGrid grid({"ID"}, {{"1"}});
        WizardWindow window;
        QString lastFileName;
        MessageCapture boxes;

        saveGridAsText(TextFormat::Csv, grid, &window, busyPointerOf(window), lastFileName);
        saveGridAsText(TextFormat::Tab, grid, &window, busyPointerOf(window), lastFileName);
        saveGridAsText(TextFormat::Xml, grid, &window, busyPointerOf(window), lastFileName);

        QCOMPARE(dialog.calls.size(), 3);
        QCOMPARE(dialog.calls[0].title, QStringLiteral("Save"));
        QCOMPARE(dialog.calls[0].filter, QStringLiteral("CSV Files (*.csv)"));
        QCOMPARE(dialog.calls[0].startName, QString());
        QVERIFY(dialog.calls[0].hadParent);
        QCOMPARE(dialog.calls[1].filter, QStringLiteral("Text Files (*.txt)"));
        QCOMPARE(dialog.calls[1].startName, first);
        QCOMPARE(dialog.calls[2].filter, QStringLiteral("XML Files (*.xml)"));
        QCOMPARE(dialog.calls[2].startName, second);
        // Cancel keeps the name chosen before it for the next opening.
        QCOMPARE(lastFileName, second);

        // The name is used as typed: no extension is added.
        QFile written(second);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("ID\t\r\n1\t\r\n\r\n"));
        QVERIFY(QFile::exists(first));
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
    }

    void cancelWritesNothingAndLeavesThePointer()
    {
        QTemporaryDir folder;
        const QString earlier = folder.filePath("earlier.xml");
        DialogAnswers dialog({QString()});
        WizardWindow window;
        window.setMousePointer(WizardWindow::Custom);
        QList<int> pointers;
        connect(&window, &WizardWindow::mousePointerChanged, this, [&](int value) { pointers.append(value); });
        QString lastFileName = earlier;
        MessageCapture boxes;

        saveGridAsText(TextFormat::Xml, MemoryGrid({"ID"}, {{"1"}}), &window, busyPointerOf(window), lastFileName);

        QCOMPARE(dialog.calls.size(), 1);
        QCOMPARE(dialog.calls[0].startName, earlier);
        QVERIFY(!QFile::exists(earlier));
        QVERIFY(pointers.isEmpty());
        QCOMPARE(window.MousePointer(), int(WizardWindow::Custom));
        QCOMPARE(lastFileName, earlier);
        QVERIFY(boxes.boxes().empty());
    }

    void aLongExportShowsItsRowsAndCancelLeavesTheTargetAsItWas()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath("big.csv");
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old\r\n");
        }
        DialogAnswers dialog({target});
        WizardWindow window;
        MessageCapture boxes;
        QString lastFileName;
        std::unique_ptr<ProgressHere> progress;
        CancelWhenShown cancelling;
        saveGridAsText(TextFormat::Csv, EndlessGrid(), &window, exportPointer(window, progress), lastFileName);
        const qint64 cancelMs = cancelling.cancelMs();
        cancelling.stop();

        const QString &label = cancelling.label;
        QVERIFY2(label.contains(QRegularExpression("^Saving the table: [1-9][0-9,]* rows so far$")), qPrintable(label));
        QVERIFY2(cancelMs < 1000, qPrintable(QString::number(cancelMs)));
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old\r\n"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"big.csv"}));
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
    }

    void hourglassWhileWritingAndResetAfterAFailure()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath("missing/out.csv");
        DialogAnswers dialog({target});
        WizardWindow window;
        MessageCapture boxes;
        QList<int> pointerAtBox;
        boxes.onBox([&](const msgbox::Request &) { pointerAtBox.append(window.MousePointer()); });
        QString lastFileName;

        saveGridAsText(TextFormat::Csv, MemoryGrid({"ID"}, {{"1"}}), &window, busyPointerOf(window), lastFileName);

        QCOMPARE(boxes.texts(),
                 QStringList{ErrorTrap::reportText("Cannot write \"" + target + "\": No such file or directory",
                                                   "in Tabvale2020/08/02.Datagrid1.SaveDataGridToCSVFile ", 142)});
        QCOMPARE(pointerAtBox, QList<int>{WizardWindow::Hourglass});
        QCOMPARE(window.MousePointer(), int(WizardWindow::Default));
    }
};

QTEST_MAIN(TextExportTest)
#include "text_export_test.moc"
