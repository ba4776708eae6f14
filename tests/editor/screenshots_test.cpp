// Pictures of the three windows for the README. Under ctest they are taken
// against the test server and only checked; scripts/screenshots takes them
// against the demo database and keeps them in docs/.
#include "app/ui/form1.h"
#include "app/ui/look.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QLineEdit>
#include <QListWidget>
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
