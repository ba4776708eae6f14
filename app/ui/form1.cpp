#include "app/ui/form1.h"

#include "app/app_title.h"
#include "app/error_trap.h"
#include "app/ui/kit/look.h"
#include "app/message_box.h"
#include "app/paths.h"
#include "app/settings_store.h"
#include "app/ui/kit/twips.h"
#include "app/ui/kit/end_program.h"
#include "db/ui/database_beside.h"
#include "db/oracle.h"
#include "db/connection.h"
#include "export/pdf_export.h"
#include "help/login_help.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <limits>

namespace {

const QString settingsApp = QStringLiteral("Kestrelon");
const QString settingsSection = QStringLiteral("Tabvale Software");

// The password box shows one "*" per character, whatever the style's habit.
class AsteriskPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

LoginValues Form1::login() const
{
    return {Text1->text(), Text2->text(), Text3->text()};
}

Form1::Form1(QWidget *parent) : WizardWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    makeFixedWindow(*this, QSize(8040 / 15, 3165 / 15));
    setFont(arialFont(9, false));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    const QFont boldSmall = arialFont(9, true);

    Frame1 = new QGroupBox(QStringLiteral("Oracle Login"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twips(120, 120, 7800, 2385));
    Frame1->setFont(boldSmall);

    auto label = [&](const char *name, const QString &caption, QRect geometry) {
        auto *l = new QLabel(caption, Frame1);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(geometry);
        l->setFont(boldSmall);
        return l;
    };
    auto textBox = [&](const char *name, QRect geometry) {
        auto *t = new QLineEdit(Frame1);
        t->setObjectName(QLatin1String(name));
        t->setGeometry(geometry);
        t->setFont(boldSmall);
        // A login value may be of any length; QLineEdit would cut it at 32767.
        t->setMaxLength(std::numeric_limits<int>::max());
        t->installEventFilter(this);
        return t;
    };

    Label2 = label("Label2", QStringLiteral("SID:"), twips(240, 405, 1095, 255));
    Text1 = textBox("Text1", twips(1320, 360, 5535, 345));
    PushButton6 = makePushButton(Frame1, "PushButton6", QStringLiteral("?"), twips(6960, 360, 615, 345));
    Label1 = label("Label1", QStringLiteral("Username:"), twips(240, 885, 1095, 255));
    Text2 = textBox("Text2", twips(1320, 840, 6255, 345));
    Label4 = label("Label4", QStringLiteral("Password:"), twips(240, 1365, 1095, 255));
    Text3 = textBox("Text3", twips(1320, 1320, 6255, 345));
    Text3->setEchoMode(QLineEdit::Password);
    auto *asterisks = new AsteriskPasswordStyle;
    asterisks->setParent(Text3);
    Text3->setStyle(asterisks);
    PushButton5 = makePushButton(Frame1, "PushButton5", QStringLiteral("Test Connection"), twips(240, 1800, 3600, 405));
    PushButton2 = makePushButton(Frame1, "PushButton2", QStringLiteral("Help"), twips(3960, 1800, 3600, 405));
    PushButton3 = makePushButton(this, "PushButton3", QStringLiteral("Next >"), twips(120, 2640, 7800, 405));

    // The designer's tab order: SID, ?, user, password, Test, Help, Next.
    setTabOrder(Text1, PushButton6);
    setTabOrder(PushButton6, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, PushButton5);
    setTabOrder(PushButton5, PushButton2);
    setTabOrder(PushButton2, PushButton3);
    Text1->setFocus();

    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);

    installPointerFeedback(*this, {PushButton2, PushButton3, PushButton5, PushButton6},
                           {this, Frame1, Text1, Text2, Text3});
}

void Form1::Form_Load()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.Form_Load "));
    trap.step(100, [&] { ApplySkin(*this); });
    trap.step(104, [&] {
        setWindowTitle(QStringLiteral("Tabvale Software"));
        setWindowIcon(applicationIcon());
        SetAppTitle();
    });
    if (trap.test(124, [&] { return FileExists(handCursorPath()); }))
        trap.step(126, [&] { loadMouseIcon(*this, handCursorPath()); });
    trap.step(128, [&] { Text1->setText(GetSetting(settingsApp, settingsSection, QStringLiteral("OracleSID"))); });
    trap.step(130, [&] { Text2->setText(GetSetting(settingsApp, settingsSection, QStringLiteral("OracleUser"))); });
    trap.step(132, [&] { Text3->setText(GetSetting(settingsApp, settingsSection, QStringLiteral("OraclePassword"))); });
    if (trap.test(134, [&] { return checkLoginBeside(this, login()); })) {
        trap.step(136, [&] { showChooser(login()); });
        trap.step(138, [&] {
            hide();
            hiddenDuringLoad_ = true;
        });
    }
    trap.step(138, [&] { CheckPdfWriterInstalled(); });
}

void Form1::showCentred()
{
    WizardWindow::showCentred();
    Text1->setFocus(Qt::OtherFocusReason);
}

void Form1::PushButton3_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.PushButton3_Click "));
    if (trap.test(100, [&] { return checkLoginBeside(this, login()); })) {
        trap.step(102, [&] { showChooser(login()); });
        trap.step(104, [&] { hide(); });
        trap.step(106, [&] { loadChooser(login()); });
    }
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.PushButton5_Click "));
    std::unique_ptr<db::Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<db::Connection>(); });
    // From here on a failure leads to "Could not connect." instead of the
    // error report box.
    bool failed = false;
    try {
        setMousePointer(Hourglass);
        openBeside(this, connection, connectionStringFor(login()));
        msgbox::show(QStringLiteral("Connection successful."));
        setMousePointer(Default);
    } catch (const std::exception &) {
        failed = true;
    }
    if (failed) {
        msgbox::show(QStringLiteral("Could not connect."));
        setMousePointer(Default);
    }
}

void Form1::PushButton2_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.PushButton2_Click "));
    trap.step(114, [&] { msgbox::show(helpMessage()); });
}

void Form1::PushButton6_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.PushButton6_Click "));
    trap.step(126, [&] { msgbox::show(sidHelpMessage()); });
}

void Form1::Text1_Change()
{
    rememberLoginValue(QStringLiteral("OracleSID"), Text1->text());
}

void Form1::Text2_Change()
{
    rememberLoginValue(QStringLiteral("OracleUser"), Text2->text());
}

void Form1::Text3_Change()
{
    rememberLoginValue(QStringLiteral("OraclePassword"), Text3->text());
}

void Form1::rememberLoginValue(const QString &key, const QString &value)
{
    try {
        SaveSetting(settingsApp, settingsSection, key, value);
    } catch (const AppError &error) {
        // Typing goes on; the user is told once that the login will not be
        // remembered, not once per keystroke.
        if (!warnedAboutSettings_) {
            warnedAboutSettings_ = true;
            msgbox::show(error.description() + QStringLiteral("\r\nThe login will not be remembered."));
        }
    }
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            box->selectAll();
    }
    return WizardWindow::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}
