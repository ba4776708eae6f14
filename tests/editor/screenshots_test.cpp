// Pictures of the three windows, of the grid's context menu, of the record
// view, of the conflict view and of the grid filling a larger window with
// its filters, for the README. Under ctest they are taken against the test
// server and only checked; scripts/screenshots takes them against the demo
// database and keeps them in docs/.
#include "app/ui/form1.h"
#include "app/ui/kit/look.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "editor/table_model.h"
#include "editor/row_conflict.h"
#include "editor/ui/conflict_dialog.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "editor/ui/grid_context_menu.h"
#include "editor/ui/grid_filtering.h"
#include "editor/ui/record_view.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QtTest>

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        demoDsn_ = qEnvironmentVariable("TABVALE_SCREENSHOT_DSN");
        if (demoDsn_.isEmpty())
            TABVALE_REQUIRE_POSTGRES();
        outputDir_ = qEnvironmentVariable("TABVALE_SCREENSHOT_DIR", scratch_.path());
    }

    void threeWindows()
    {
        MessageCapture boxes;
        WizardDriver driver;
        Form1 &login = driver.wizard().form1();
        const testpg::Login user = demoDsn_.isEmpty() ? testpg::scott : testpg::Login{"demo", "demo"};
        login.Text1->setText(demoDsn_.isEmpty() ? testpg::dsn() : demoDsn_);
        login.Text2->setText(user.user);
        login.Text3->setText(user.password);
        save(login, "login.png");

        {
            // A login window of its own, outside the wizard, wearing the skin.
            Form1 skinned;
            skinned.setWindowTitle(login.windowTitle());
            applySkinFile(skinned, qEnvironmentVariable("TABVALE_SOURCE_DIR") + "/assets/skin/o.cjs");
            skinned.Text1->setText(login.Text1->text());
            skinned.Text2->setText(user.user);
            skinned.Text3->setText(user.password);
            save(skinned, "login-skinned.png");
        }

        login.PushButton3_Click();
        Form2 &chooser = driver.chooser();
        QVERIFY(chooser.isVisible());
        QVERIFY(chooser.List1->count() > 0);
        save(chooser, "chooser.png");

        const QString table = demoDsn_.isEmpty() ? QStringLiteral("Emp") : QStringLiteral("Customers");
        QVERIFY(driver.openTable(table));
        Form3 &editor = driver.editor();
        QVERIFY(editor.DataGrid1->rowCount() > 0);
        save(editor, "editor.png");

        // The grid's context menu, drawn over the editor where it opens.
        GridContextMenu &menu = editor.DataGrid1->contextMenu();
        const QPoint at(70, 70);
        menu.popup(editor.mapToGlobal(at));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        const QPixmap window = editor.grab();
        const QPixmap entries = menu.grab();
        QPixmap both(qMax(window.width(), at.x() + entries.width()), qMax(window.height(), at.y() + entries.height()));
        both.fill(Qt::white);
        {
            QPainter painter(&both);
            painter.drawPixmap(0, 0, window);
            painter.drawPixmap(at, entries);
        }
        menu.hide();
        QVERIFY(both.save(outputDir_ + "/editor-context-menu.png"));

        // The first row in the record view.
        {
            std::vector<int> columns;
            for (int c = 0; c < editor.DataGrid1->tableModel().columnCount(); ++c)
                columns.push_back(c);
            RecordView view(editor.DataGrid1->tableModel(), columns, 0, {}, &editor);
            save(view, "record-view.png");
            view.reject();
        }

        // The conflict view of the first row: another user changed one
        // column after it was read, and a second was typed over.
        {
            const TableModel &model = editor.DataGrid1->tableModel();
            const db::TableSnapshot &snapshot = *model.snapshot();
            std::vector<QString> names;
            int theirs = qMin(2, snapshot.columnCount() - 1), yours = qMin(1, snapshot.columnCount() - 1);
            for (int c = 0; c < snapshot.columnCount(); ++c) {
                names.push_back(snapshot.column(c).name);
                if (names.back() == QLatin1String("Phone"))
                    theirs = c;
                else if (names.back() == QLatin1String("Contact"))
                    yours = c;
            }
            const db::RowValues opened = snapshot.rowValues(model.tableRow(0));
            db::RowValues now = opened;
            now[size_t(theirs)] = QStringLiteral("030-0076545");
            ConflictDialog view(conflictingCells(names, opened, now, {{yours, QStringLiteral("Mary Anders")}}), false,
                                &editor);
            save(view, "conflict-view.png");
            view.reject();
        }

        // The grid filling a larger window, filtered by a value of one row.
        DataGrid &grid = *editor.DataGrid1;
        grid.fitToWindowAction()->trigger();
        editor.resize(760, 400);
        int column = 1;
        for (int c = 0; c < grid.model()->columnCount(); ++c) {
            if (grid.model()->headerData(c, Qt::Horizontal).toString() == QLatin1String("Country"))
                column = c;
        }
        grid.setCurrentIndex(grid.model()->index(0, column));
        grid.filtering().filterByValue(grid.currentIndex());
        QVERIFY(grid.filtering().shown());
        QVERIFY(grid.rowCount() > 0);
        save(editor, "editor-filters.png");
        grid.fitToWindowAction()->trigger();
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join('\n')));
    }

private:
    void save(QWidget &window, const QString &name)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPixmap picture = window.grab();
        QCOMPARE(picture.size(), window.size() * picture.devicePixelRatio());
        QVERIFY(picture.save(outputDir_ + '/' + name));
    }

    QTemporaryDir scratch_;
    QString outputDir_;
    QString demoDsn_;
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
