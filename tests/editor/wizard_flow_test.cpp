#include "app/ui/form1.h"
#include "app/settings_store.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

QStringList listed(Form2 &chooser)
{
    QStringList names;
    for (int i = 0; i < chooser.List1->count(); ++i)
        names << chooser.List1->item(i)->text();
    return names;
}

void remember(const testpg::Login &login)
{
    SaveSetting("Kestrelon", "Tabvale Software", "OracleSID", testpg::dsn());
    SaveSetting("Kestrelon", "Tabvale Software", "OracleUser", login.user);
    SaveSetting("Kestrelon", "Tabvale Software", "OraclePassword", login.password);
}

} // namespace

class WizardFlowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TABVALE_REQUIRE_POSTGRES(); }

    void init()
    {
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_->path());
        setEndProgramHandler([] {});
    }

    void cleanup() { setEndProgramHandler({}); }

    void rememberedGoodLoginGoesStraightToTheChooser()
    {
        remember(testpg::scott);
        MessageCapture boxes;
        Wizard wizard;
        wizard.start();
        QVERIFY(!wizard.form1().isVisible());
        QVERIFY(wizard.hasForm2());
        QVERIFY(wizard.form2().isVisible());
        QVERIFY(listed(wizard.form2()).contains("Order Lines"));
        QCOMPARE(wizard.form2().List1->currentRow(), 0);
        QVERIFY(wizard.form2().isEnabled());
        QCOMPARE(wizard.form2().focusWidget(), wizard.form2().PushButton2);
        QCOMPARE(wizard.form2().MousePointer(), 0);
        for (const QString &text : boxes.texts())
            QVERIFY2(!text.contains("at line"), qPrintable(text));
    }

    void rememberedBadLoginShowsTheFilledWindowWithoutABox()
    {
        remember({testpg::scott.user, QStringLiteral("wrong")});
        MessageCapture boxes;
        Wizard wizard;
        wizard.start();
        QVERIFY(wizard.form1().isVisible());
        QCOMPARE(wizard.form1().Text2->text(), QStringLiteral("scott"));
        QCOMPARE(wizard.form1().Text3->text(), QStringLiteral("wrong"));
        QVERIFY(!wizard.hasForm2());
        for (const QString &text : boxes.texts())
            QVERIFY2(!text.contains("at line"), qPrintable(text));
    }

    void testConnectionTellsTheTruth()
    {
        WizardDriver driver;
        Form1 &login = driver.wizard().form1();
        login.Text1->setText(testpg::dsn());
        login.Text2->setText(testpg::odd.user);
        login.Text3->setText(testpg::odd.password);
        MessageCapture boxes;
        QList<int> pointers;
        boxes.onBox([&](const msgbox::Request &) { pointers << login.MousePointer(); });
        login.PushButton5_Click();
        login.Text3->setText("bad");
        login.PushButton5_Click();
        QCOMPARE(boxes.texts(), QStringList({"Connection successful.", "Could not connect."}));
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Tabvale"));
        QCOMPARE(pointers, QList<int>({11, 11}));
        QCOMPARE(login.MousePointer(), 0);
    }

    void eachLoginSeesItsOwnTables()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(testpg::odd);
        Form2 &chooser = driver.chooser();
        QVERIFY(chooser.isVisible());
        QVERIFY(!driver.wizard().form1().isVisible());
        QCOMPARE(listed(chooser), QStringList({"secrets"}));
        QCOMPARE(chooser.List1->currentRow(), 0);

        chooser.PushButton2_Click(); // "< Back"
        QVERIFY(driver.wizard().form1().isVisible());
        QVERIFY(!chooser.isVisible());
        QCOMPARE(listed(chooser), QStringList({"secrets"})); // kept while hidden

        driver.logIn(testpg::empty);
        QVERIFY(chooser.isVisible());
        QCOMPARE(chooser.focusWidget(), chooser.PushButton2); // "< Back" comes first
        QCOMPARE(listed(chooser), QStringList());
        QCOMPARE(chooser.List1->currentRow(), -1);

        chooser.PushButton2_Click();
        driver.logIn(testpg::scott);
        const QStringList names = listed(chooser);
        QVERIFY(names.contains("Emp"));
        QVERIFY(names.contains("say \"hi\""));
        QVERIFY(!names.contains("secrets"));
        QVERIFY(!names.contains("emp_names"));
        QCOMPARE(chooser.List1->currentRow(), 0);
        QVERIFY(boxes.boxes().empty());
    }

    void aFillThatFailsKeepsTheEarlierNames()
    {
        WizardDriver driver;
        driver.logIn(testpg::odd);
        Form2 &chooser = driver.chooser();
        chooser.List1->setCurrentRow(-1);
        MessageCapture boxes;
        {
            testpg::ServerRestarter restarter;
            QVERIFY(testpg::stopServer());
            chooser.Form_Load();
            QVERIFY(testpg::startServer());
        }
        QCOMPARE(boxes.boxes().size(), size_t(3));
        QVERIFY(boxes.texts()[0].contains("\r\nin Tabvale2020/08/02.Form2.Form_Load at line 118\r\r"));
        QVERIFY(boxes.texts()[1].contains("\r\nin Tabvale2020/08/02.Form2.Form_Load at line 124\r\r"));
        QVERIFY(boxes.texts()[2].contains("\r\nin Tabvale2020/08/02.Form2.Form_Load at line 126\r\r"));
        QCOMPARE(listed(chooser), QStringList({"secrets"}));
        QCOMPARE(chooser.List1->currentRow(), 0);
        QVERIFY(chooser.isEnabled());
        QCOMPARE(chooser.MousePointer(), 0);
    }

    void closingTheChooserEndsTheProgram()
    {
        WizardDriver driver;
        driver.logIn(testpg::odd);
        QVERIFY(driver.chooser().close());
        QCOMPARE(driver.programEnds(), 1);
    }

private:
    std::unique_ptr<QTemporaryDir> settings_;
};

QTEST_MAIN(WizardFlowTest)
#include "wizard_flow_test.moc"
