#include "editor/record_fields.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "editor/ui/record_field.h"
#include "editor/ui/record_view.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QtTest>

// The record view against the private PostgreSQL: every kind of value typed
// into it is written exactly as typed, through the grid's own way of writing
// a row, and a refusal leaves what was typed in place.
namespace {

const QString login = QStringLiteral("record_view_t");

void asLogin(const QString &sql)
{
    testpg::adminExec(QStringLiteral("SET ROLE %1; %2 RESET ROLE;").arg(login, sql));
}

QString inDatabase(const QString &sql) { return testpg::adminQuery(sql).join(u'\n'); }

std::vector<int> allColumns(const TableModel &model)
{
    std::vector<int> columns;
    for (int column = 0; column < model.columnCount(); ++column)
        columns.push_back(column);
    return columns;
}

// The columns of the table below.
enum { Id, LongText, Short, Number, Whole, Day, Moment, Flag, Checked };

} // namespace

class RecordViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void init()
    {
        asLogin(QStringLiteral("DROP TABLE IF EXISTS %1.kinds;"
                               "CREATE TABLE %1.kinds (id integer PRIMARY KEY, t text, v varchar(20), "
                               "  n numeric(20,6), i integer, d date, ts timestamp, b boolean, "
                               "  c varchar(10) CHECK (c <> 'bad'));"
                               "INSERT INTO %1.kinds VALUES (1, 'one', 'x', 1.5, 1, '2020-01-01', "
                               "  '2020-01-01 00:00:00', true, 'ok'), (2, 'two', '', 2, 2, NULL, NULL, false, 'ok'),"
                               "  (3, 'three', NULL, 3, 3, NULL, NULL, NULL, 'ok');")
                    .arg(login));
        MessageCapture boxes;
        driver_ = std::make_unique<WizardDriver>();
        driver_->logIn(user_);
        QVERIFY(driver_->openTable(QStringLiteral("kinds")));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
    }
    void cleanup() { driver_.reset(); }

    // Each kind typed into the fields is written and read back exactly:
    // text with tabs, line breaks and quotes, a number at the column's full
    // precision, a date, a timestamp to the microsecond, true, false and
    // NULL, and empty text apart from NULL.
    void everyKindIsWrittenExactly()
    {
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        RecordView view(model, allColumns(model), 0, {}, &grid);
        const QString text = QStringLiteral("a\tb\r\nc \"quoted\" 'single'\r\nend");
        view.field(LongText)->enterValue(text);
        view.field(Short)->enterValue(QString());
        view.field(Number)->enterValue(QStringLiteral("12345678901234.123456"));
        view.field(Whole)->enterValue(QStringLiteral("-2147483648"));
        view.field(Day)->enterValue(QStringLiteral("2024-02-29"));
        view.field(Moment)->enterValue(QStringLiteral("2024-02-29 23:59:58.123456"));
        view.field(Flag)->enterValue(QStringLiteral("0"));
        QVERIFY(view.writeRow());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase(QStringLiteral("SELECT t = E'a\\tb\\r\\nc \"quoted\" ''single''\\r\\nend', v = '', "
                                           "n::text, i, d::text, ts::text, b FROM %1.kinds WHERE id = 1")
                                .arg(login)),
                 QStringLiteral("t|t|12345678901234.123456|-2147483648|2024-02-29|2024-02-29 23:59:58.123456|f"));
        // Read back, the fields show what was written, untouched text exactly.
        QCOMPARE(view.field(LongText)->text(), text);
        QVERIFY(!view.field(Short)->isNull());

        // The other way round: NULL where there was empty text, true.
        RecordView second(model, allColumns(model), 1, {}, &grid);
        QVERIFY(!second.field(Short)->isNull());
        QCOMPARE(second.field(Day)->text(), QString());
        QVERIFY(second.field(Day)->isNull());
        second.field(Short)->enterValue(QString(), true);
        second.field(Flag)->enterValue(QStringLiteral("1"));
        second.field(Number)->enterValue(QString(), true);
        QVERIFY(second.writeRow());
        QCOMPARE(inDatabase(QStringLiteral("SELECT v IS NULL, b, n IS NULL FROM %1.kinds WHERE id = 2").arg(login)),
                 QStringLiteral("t|t|t"));
        QVERIFY(second.field(Short)->isNull());

        // A boolean set to neither is NULL; a text field left as it was
        // stays as it was, even holding line breaks.
        RecordView first(model, allColumns(model), 0, {}, &grid);
        first.field(Flag)->enterValue(QString(), true);
        QVERIFY(first.writeRow());
        QCOMPARE(inDatabase(QStringLiteral("SELECT b IS NULL, t = E'a\\tb\\r\\nc \"quoted\" ''single''\\r\\nend' "
                                           "FROM %1.kinds WHERE id = 1")
                                .arg(login)),
                 QStringLiteral("t|t"));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
    }

    // What the column cannot hold is refused before anything is written,
    // saying why; what the database refuses shows its box. Either way the
    // dialog keeps the row and every typed value, and writes once they are
    // put right.
    void aRefusalKeepsWhatWasTyped()
    {
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        RecordView view(model, allColumns(model), 0, {}, &grid);
        view.field(Number)->enterValue(QStringLiteral("1.1234567"));
        view.field(Short)->enterValue(QStringLiteral("typed"));
        QVERIFY(!view.writeRow());
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("n holds at most 6 decimals.")});
        QCOMPARE(inDatabase(QStringLiteral("SELECT v FROM %1.kinds WHERE id = 1").arg(login)), QStringLiteral("x"));
        boxes.clear();

        view.field(Number)->enterValue(QStringLiteral("1.123456"));
        view.field(Checked)->enterValue(QStringLiteral("bad"));
        QVERIFY(!view.writeRow());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY2(boxes.texts().front().contains(QStringLiteral("check")), qPrintable(boxes.texts().front()));
        QCOMPARE(view.row(), 0);
        QCOMPARE(view.field(Checked)->text(), QStringLiteral("bad"));
        QCOMPARE(view.field(Short)->text(), QStringLiteral("typed"));
        QCOMPARE(view.field(Number)->text(), QStringLiteral("1.123456"));
        QCOMPARE(inDatabase(QStringLiteral("SELECT v, c FROM %1.kinds WHERE id = 1").arg(login)),
                 QStringLiteral("x|ok"));

        view.field(Checked)->enterValue(QStringLiteral("fine"));
        QVERIFY(view.writeRow());
        QCOMPARE(inDatabase(QStringLiteral("SELECT v, c, n::text FROM %1.kinds WHERE id = 1").arg(login)),
                 QStringLiteral("typed|fine|1.123456"));
    }

    // Moving to a neighbour writes the row first, and the grid follows; a
    // row that is refused is not left. Cancel puts back what the grid held
    // typed in the row before the dialog, and drops what the dialog put in.
    void movingWritesTheRowFirst()
    {
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        RecordView view(model, allColumns(model), 0, [&](int row) { grid.setCurrentIndex(model.index(row, 1)); },
                        &grid);
        view.field(Short)->enterValue(QStringLiteral("first"));
        QVERIFY(view.moveBy(1));
        QCOMPARE(view.row(), 1);
        QCOMPARE(grid.currentIndex().row(), 1);
        QCOMPARE(inDatabase(QStringLiteral("SELECT v FROM %1.kinds WHERE id = 1").arg(login)), QStringLiteral("first"));
        QCOMPARE(view.field(Short)->text(), QString());

        view.field(Checked)->enterValue(QStringLiteral("bad"));
        QVERIFY(!view.moveBy(1));
        QCOMPARE(view.row(), 1);
        QCOMPARE(view.field(Checked)->text(), QStringLiteral("bad"));
        view.field(Checked)->enterValue(QStringLiteral("good"));
        QVERIFY(view.moveBy(-1));
        QCOMPARE(inDatabase(QStringLiteral("SELECT c FROM %1.kinds WHERE id = 2").arg(login)), QStringLiteral("good"));
        QVERIFY(!view.moveBy(-1)); // no row above the first
        QCOMPARE(boxes.boxes().size(), size_t(1));

        // The grid held an edit of row 3 when the dialog opened on it.
        QVERIFY(model.setData(model.index(2, Short), QStringLiteral("grid's")));
        RecordView onPending(model, allColumns(model), 2, {}, &grid);
        QCOMPARE(onPending.field(Short)->text(), QStringLiteral("grid's"));
        onPending.field(Checked)->enterValue(QStringLiteral("bad"));
        QVERIFY(!onPending.writeRow());
        onPending.reject();
        QCOMPARE(model.pendingRow(), 2);
        QCOMPARE(model.pendingEdits(), (std::map<int, QString>{{Short, QStringLiteral("grid's")}}));
    }

    // Ctrl+Return in the grid opens the dialog on the current row, in the
    // grid's column order, with each column's type beside its name.
    void ctrlReturnOpensTheRowInGridOrder()
    {
        DataGrid &grid = *driver_->editor().DataGrid1;
        grid.horizontalHeader()->moveSection(Checked, 0);
        grid.setCurrentIndex(grid.tableModel().index(1, 2));
        QString title;
        QStringList labels;
        QTimer::singleShot(0, this, [&] {
            auto *view = qobject_cast<RecordView *>(QApplication::activeModalWidget());
            QVERIFY(view);
            title = view->windowTitle();
            for (QLabel *label : view->findChildren<QLabel *>())
                if (label->buddy())
                    labels << label->text();
            QCOMPARE(view->row(), 1);
            view->reject();
        });
        QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(title, QStringLiteral("Tabvale Software"));
        QCOMPARE(labels.size(), 9);
        QVERIFY2(labels.front().startsWith(QStringLiteral("c ")) && labels.front().contains(QStringLiteral("varchar")),
                 qPrintable(labels.front()));
        QVERIFY2(labels.at(1).startsWith(QStringLiteral("id ")) && labels.at(1).contains(QStringLiteral("int4")),
                 qPrintable(labels.at(1)));
    }

    // What a number column takes, without a database.
    void numbersAreHeldToTheirColumn()
    {
        db::ColumnInfo decimal;
        decimal.name = QStringLiteral("price");
        decimal.kind = db::ColumnKind::Decimal;
        decimal.size = 5;
        decimal.decimalDigits = 2;
        QCOMPARE(numberRefusal(decimal, QStringLiteral("-123.45")), QString());
        QCOMPARE(numberRefusal(decimal, QStringLiteral("+000123.4500")), QString());
        QCOMPARE(numberRefusal(decimal, QStringLiteral(".5")), QString());
        QCOMPARE(numberRefusal(decimal, QStringLiteral("1234.5")),
                 QStringLiteral("price holds at most 3 digits before the point."));
        QCOMPARE(numberRefusal(decimal, QStringLiteral("1.234")), QStringLiteral("price holds at most 2 decimals."));
        QVERIFY(!numberRefusal(decimal, QStringLiteral("1,5")).isEmpty());
        QVERIFY(!numberRefusal(decimal, QStringLiteral(".")).isEmpty());
        decimal.size = 38; // NUMBER without a precision
        decimal.decimalDigits = 0;
        QCOMPARE(numberRefusal(decimal, QStringLiteral("3.14159265358979")), QString());

        db::ColumnInfo whole;
        whole.name = QStringLiteral("qty");
        whole.kind = db::ColumnKind::Integer;
        QCOMPARE(numberRefusal(whole, QStringLiteral("-42")), QString());
        QVERIFY(!numberRefusal(whole, QStringLiteral("4.2")).isEmpty());
        QVERIFY(!numberRefusal(whole, QStringLiteral("1e3")).isEmpty());
    }

private:
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(RecordViewTest)
#include "record_view_test.moc"
