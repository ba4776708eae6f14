#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/scratch_sql.h"
#include "support/wizard_driver.h"

#include <QtTest>

// Two identical rows of a PostgreSQL table without a key, edited, deleted
// and put back with Ctrl+Z in the editor's grid, each alone.
namespace {

const QString login = QStringLiteral("twins_t");

} // namespace

class IdenticalRowsGridTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        testpg::adminExec(QStringLiteral("SET ROLE twins_t; CREATE TABLE twins_t.parts (item text, qty integer, "
                                         "note text); INSERT INTO twins_t.parts VALUES ('bolt', 3, NULL), "
                                         "('bolt', 3, NULL), ('nut', 1, 'x'); RESET ROLE;"));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }

    void eachTwinIsEditedDeletedAndPutBackAlone()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable(QStringLiteral("parts")));
        DataGrid &grid = *driver.editor().DataGrid1;
        auto *model = grid.model();
        QCOMPARE(grid.columnCount(), 3);

        grid.setCurrentIndex(model->index(1, 1));
        QVERIFY(model->setData(model->index(1, 1), QStringLiteral("7")));
        grid.setCurrentIndex(model->index(0, 1));
        QCOMPARE(inDatabase("SELECT string_agg(item || qty, ',' ORDER BY qty) FROM twins_t.parts"),
                 QStringLiteral("nut1,bolt3,bolt7"));

        grid.deleteRows({0});
        QCOMPARE(inDatabase("SELECT string_agg(item || qty, ',' ORDER BY qty) FROM twins_t.parts"),
                 QStringLiteral("nut1,bolt7"));
        QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(inDatabase("SELECT string_agg(item || qty, ',' ORDER BY qty) FROM twins_t.parts"),
                 QStringLiteral("nut1,bolt3,bolt3"));
        QCOMPARE(boxes.texts(), QStringList{"Delete 1 row from the table?"});

        // Another session rewrites one twin as it was: that one is refused,
        // the other is still written.
        testpg::adminExec(QStringLiteral("UPDATE twins_t.parts SET qty = qty WHERE ctid = "
                                         "(SELECT min(ctid) FROM twins_t.parts WHERE item = 'bolt')"));
        int refused = 0;
        for (int row : {0, 1}) {
            boxes.clear();
            grid.setCurrentIndex(model->index(row, 2));
            QVERIFY(model->setData(model->index(row, 2), QStringLiteral("row %1").arg(row)));
            grid.setCurrentIndex(model->index(2, 0));
            if (!boxes.boxes().empty()) {
                ++refused;
                QCOMPARE(boxes.texts().front(), db::RowConflictError::changedOrDeletedText.toString());
                grid.discardPendingEdit();
            }
        }
        QCOMPARE(refused, 1);
        QCOMPARE(inDatabase("SELECT count(*) FROM twins_t.parts WHERE item = 'bolt' AND note IS NULL"),
                 QStringLiteral("1"));
    }

private:
    testpg::Login user_;
};

QTEST_MAIN(IdenticalRowsGridTest)
#include "identical_rows_grid_test.moc"
