#include "app/ui/wizard.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "export/datagrid_writers.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Values the driver cannot hold (dates BC, infinity, offsets) and types
// without an "=" of their own, edited in the grid and saved, against the
// private PostgreSQL.
namespace {

const QString login = QStringLiteral("exact_grid_t");

void asLogin(const QString &sql)
{
    testpg::adminExec(QStringLiteral("SET ROLE %1; %2 RESET ROLE;").arg(login, sql));
}

QString inDatabase(const QString &sql) { return testpg::adminQuery(sql).join(u'\n'); }

void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow)
{
    auto *model = grid.model();
    grid.setCurrentIndex(model->index(row, column));
    QVERIFY(model->setData(model->index(row, column), text));
    grid.setCurrentIndex(model->index(toRow, column));
}

} // namespace

class ExactValuesGridTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        testpg::adminExec(QStringLiteral("ALTER ROLE %1 SET timezone = 'Europe/Berlin'").arg(login));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }

    // A keyless row holding json, xml, a point, a BC date and infinity is
    // edited like any other; the saved file holds what the database holds.
    void keylessRowsOfEveryKindAreEditedAndSaved()
    {
        asLogin(QStringLiteral("CREATE TABLE %1.loose (j json, x xml, p point, d date, tz timestamptz, n integer);"
                               "INSERT INTO %1.loose VALUES ('{\"a\": 1}', '<a/>', '(1,2)', '0044-03-15 BC', "
                               "'infinity', 1), (NULL, NULL, NULL, '-infinity', '2026-10-25 02:30:00+01', 2);")
                    .arg(login));
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable(QStringLiteral("loose")));
        DataGrid &grid = *driver.editor().DataGrid1;
        QCOMPARE(grid.cellText(0, 3), QStringLiteral("0044-03-15 BC"));
        QCOMPARE(grid.cellText(0, 4), QStringLiteral("infinity"));
        QCOMPARE(grid.cellText(1, 3), QStringLiteral("-infinity"));
        QCOMPARE(grid.cellText(1, 4), QStringLiteral("2026-10-25 02:30:00+01"));

        editAndLeave(grid, 0, 5, QStringLiteral("10"), 1);
        editAndLeave(grid, 1, 5, QStringLiteral("20"), 0);
        editAndLeave(grid, 0, 0, QStringLiteral("{\"a\": 2}"), 1);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase(QStringLiteral("SELECT j::text, n FROM %1.loose ORDER BY n").arg(login)),
                 QStringLiteral("{\"a\": 2}|10\n|20"));
        // Undone, the json is put back, found by its text.
        grid.undo();
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase(QStringLiteral("SELECT j::text FROM %1.loose WHERE n = 10").arg(login)),
                 QStringLiteral("{\"a\": 1}"));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("loose.csv"));
        SaveDataGridToCSVFile(grid.rows(), file);
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(csv.readAll());
        QVERIFY2(text.contains(QStringLiteral("0044-03-15 BC")) && text.contains(QStringLiteral("infinity"))
                     && text.contains(QStringLiteral("-infinity"))
                     && text.contains(QStringLiteral("2026-10-25 02:30:00+01")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("0000-00-00")) && !text.contains(QStringLiteral("9999")),
                 qPrintable(text));
    }

private:
    testpg::Login user_;
};

QTEST_MAIN(ExactValuesGridTest)
#include "exact_values_grid_test.moc"
