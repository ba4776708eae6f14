#include "app/app_title.h"
#include "app/ui/form1.h"
#include "app/settings_store.h"
#include "app/ui/wizard.h"
#include "support/message_capture.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString versionAndSid =
    QStringLiteral("This software works with Oracle 9i or higher.\r\rThe SID is used to identify a particular "
                   "database. The SID is usually defined in the TNSNAMES.ORA file. The TNSNAMES.ORA file found "
                   "in my Oracle 9i folder looks like:");

} // namespace

class LoginWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // No data source is defined: every login attempt fails at once.
        qputenv("ODBCSYSINI", odbcDir_.path().toLocal8Bit());
        qputenv("ODBCINI", (odbcDir_.path() + "/odbc.ini").toLocal8Bit());
    }

    void init()
    {
        settingsDir_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_->path());
        resetAppTitle();
        setEndProgramHandler([this] { ++programEnds_; });
        programEnds_ = 0;
    }

    void cleanup() { setEndProgramHandler({}); }

    void firstStartShowsTheEmptyWindowAndWritesNothing()
    {
        MessageCapture boxes;
        Wizard wizard;
        wizard.start();
        Form1 &login = wizard.form1();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        QVERIFY(login.isVisible());
        QVERIFY(!wizard.hasForm2());
        QCOMPARE(login.Text1->text(), QString());
        QCOMPARE(login.Text2->text(), QString());
        QCOMPARE(login.Text3->text(), QString());
        QCOMPARE(QApplication::focusWidget(), login.Text1);
        QVERIFY(!QFileInfo::exists(settingsFilePath("Kestrelon")));
        QCOMPARE(login.windowTitle(), QStringLiteral("Tabvale Software"));
        QCOMPARE(appTitle(), QStringLiteral("Tabvale"));
        // A failed login at start-up shows no box of its own.
        for (const QString &text : boxes.texts())
            QVERIFY2(!text.contains("Application Error") && !text.contains("at line"), qPrintable(text));
    }

    void rememberedValuesAreShownAndLeftUnchanged()
    {
        SaveSetting("Kestrelon", "Tabvale Software", "OracleSID", "NO_SUCH_DSN");
        SaveSetting("Kestrelon", "Tabvale Software", "OracleUser", " scott ");
        const QString longPassword = QString(40000, u'p') + QStringLiteral("ti;ger=\"x\"");
        SaveSetting("Kestrelon", "Tabvale Software", "OraclePassword", longPassword);
        const QByteArray before = fileBytes(settingsFilePath("Kestrelon"));

        MessageCapture boxes;
        Wizard wizard;
        wizard.start();
        Form1 &login = wizard.form1();
        QVERIFY(login.isVisible());
        QCOMPARE(login.Text1->text(), QStringLiteral("NO_SUCH_DSN"));
        QCOMPARE(login.Text2->text(), QStringLiteral(" scott "));
        QCOMPARE(login.Text3->text(), longPassword);
        QCOMPARE(login.Text3->echoMode(), QLineEdit::Password);
        QCOMPARE(login.Text3->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, login.Text3), int('*'));
        QCOMPARE(login.Text3->displayText(), QString(longPassword.size(), u'*'));
        QCOMPARE(fileBytes(settingsFilePath("Kestrelon")), before);
    }

    void everyChangeIsRememberedAtOnce()
    {
        Wizard wizard;
        wizard.start();
        Form1 &login = wizard.form1();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        QStringList seen;
        connect(login.Text1, &QLineEdit::textChanged, this,
                [&] { seen << GetSetting("Kestrelon", "Tabvale Software", "OracleSID"); });
        QTest::keyClicks(login.Text1, "ORCL");
        QCOMPARE(seen, QStringList({"O", "OR", "ORC", "ORCL"}));
        login.Text1->clear();
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OracleSID", "missing"), QString());
        login.Text3->setText(QStringLiteral("pässwörd with blanks"));
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OraclePassword"), QStringLiteral("pässwörd with blanks"));
    }

    void tabbingIntoABoxSelectsItsWholeText()
    {
        Wizard wizard;
        wizard.start();
        Form1 &login = wizard.form1();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        login.Text2->setText(QStringLiteral("scott"));
        login.Text3->setText(QStringLiteral("tiger"));
        login.Text2->setFocus(Qt::OtherFocusReason);
        login.Text2->deselect();
        QTest::keyClick(login.Text2, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), login.Text3);
        QCOMPARE(login.Text3->selectedText(), QStringLiteral("tiger"));
        QCOMPARE(login.Text3->selectionStart(), 0);
    }

    void layoutFollowsTheDesign()
    {
        Wizard wizard;
        Form1 &login = wizard.form1();
        QCOMPARE(login.size(), QSize(536, 211));
        QCOMPARE(login.Frame1->geometry(), QRect(8, 8, 520, 159));
        QCOMPARE(login.Frame1->title(), QStringLiteral("Oracle Login"));
        QCOMPARE(login.Text1->geometry(), QRect(88, 24, 369, 23));
        QCOMPARE(login.PushButton3->geometry(), QRect(8, 176, 520, 27));
        QCOMPARE(login.PushButton3->parentWidget(), &login);
        QCOMPARE(login.PushButton5->text(), QStringLiteral("Test Connection"));
        QCOMPARE(login.PushButton3->font().pointSizeF(), 11.25);
        QVERIFY(login.PushButton3->font().bold());
        QCOMPARE(login.Label1->text(), QStringLiteral("Username:"));
        QVERIFY(login.Label1->font().bold());
        QCOMPARE(login.Label1->font().family(), QStringLiteral("Arial"));
        // The designer's tab order.
        QWidget *stop = login.Text1;
        QList<QWidget *> order{stop};
        for (int i = 0; i < 6; ++i) {
            do
                stop = stop->nextInFocusChain();
            while (!(stop->focusPolicy() & Qt::TabFocus));
            order << stop;
        }
        QCOMPARE(order, (QList<QWidget *>{login.Text1, login.PushButton6, login.Text2, login.Text3,
                                          login.PushButton5, login.PushButton2, login.PushButton3}));
    }

    void helpMessagesByteForByte()
    {
        Wizard wizard;
        wizard.start();
        MessageCapture boxes;
        wizard.form1().PushButton6_Click();
        wizard.form1().PushButton2_Click();
        QCOMPARE(boxes.boxes().size(), size_t(2));

        const QString example = QStringLiteral(
            "KORV =\r\n"
            " (DESCRIPTION =\r\n"
            "   (ADDRESS_LIST =\r\n"
            "     (ADDRESS = (PROTOCOL = TCP)(HOST = 192.0.2.10)(PORT = 1521))\r\n"
            "   )\r\n"
            "   (CONNECT_DATA =\r\n"
            "     (SID = KORV)\r\n"
            "   )\r\n"
            " )");
        QCOMPARE(boxes.texts()[0], versionAndSid + "\r\n\r\n" + example + "\r\n\r\nTherefore, my SID would be KORV");
        QCOMPARE(example.count("\r\n") + 1, 9);

        const QString help = boxes.texts()[1];
        QVERIFY(help.startsWith(versionAndSid + "http"));
        QVERIFY(help.endsWith(
            "\r\rDownload and install the EMS SQL Manager 2005 Lite for SQL Server. Try to connect to the same "
            "database (with the same login information you are using here). This will determine if the login "
            "you are using is correct."));
        QVERIFY(!help.contains("KORV"));
        for (const auto &box : boxes.boxes()) {
            QCOMPARE(box.title, QStringLiteral("Tabvale"));
            QCOMPARE(box.flags, 0);
        }
    }

    void testConnectionSaysCouldNotConnectUnderTheHourglass()
    {
        Wizard wizard;
        wizard.start();
        Form1 &login = wizard.form1();
        login.Text1->setText(QStringLiteral("NO_SUCH_DSN"));
        MessageCapture boxes;
        QList<int> pointerDuringBox;
        boxes.onBox([&](const msgbox::Request &) { pointerDuringBox << login.MousePointer(); });
        login.PushButton5_Click();
        QCOMPARE(boxes.texts(), QStringList({"Could not connect."}));
        QCOMPARE(pointerDuringBox, QList<int>({11}));
        QCOMPARE(login.MousePointer(), 0);
    }

    void nextWithAFailedLoginDoesNothing()
    {
        Wizard wizard;
        wizard.start();
        MessageCapture boxes;
        wizard.form1().Text1->setText(QStringLiteral("NO_SUCH_DSN"));
        wizard.form1().PushButton3_Click();
        QVERIFY(boxes.boxes().empty());
        QVERIFY(wizard.form1().isVisible());
        QVERIFY(!wizard.hasForm2());
        QCOMPARE(wizard.form1().MousePointer(), 0);
    }

    void returnPressesTheFocusedButtonOnly()
    {
        Wizard wizard;
        wizard.start();
        Form1 &login = wizard.form1();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        MessageCapture boxes;
        QTest::keyClick(login.Text1, Qt::Key_Return); // in a text box: nothing
        QVERIFY(boxes.boxes().empty());
        login.PushButton2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(login.PushButton2, Qt::Key_Return);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(boxes.texts()[0].contains("EMS SQL Manager"));
    }

    void closingTheWindowEndsTheProgram()
    {
        Wizard wizard;
        wizard.start();
        QVERIFY(wizard.form1().close());
        QCOMPARE(programEnds_, 1);
    }

private:
    QTemporaryDir odbcDir_;
    std::unique_ptr<QTemporaryDir> settingsDir_;
    int programEnds_ = 0;
};

QTEST_MAIN(LoginWindowTest)
#include "login_window_test.moc"
