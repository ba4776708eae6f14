#include "support/wizard_driver.h"

#include "app/ui/form1.h"
#include "app/message_box.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QListWidget>
#include <QSettings>

WizardDriver::WizardDriver()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path());
    setEndProgramHandler([this] { ++programEnds_; });
    wizard_ = std::make_unique<Wizard>();
    // Start-up may tell about the PDF printer; tests look at what follows.
    auto outer = msgbox::setHandler([this](const msgbox::Request &request) {
        startupMessages_ << request.text;
        return int(msgbox::Ok);
    });
    wizard_->start();
    msgbox::setHandler(std::move(outer));
}

WizardDriver::~WizardDriver()
{
    wizard_.reset();
    setEndProgramHandler({});
}

void WizardDriver::logIn(const testpg::Login &login)
{
    Form1 &form = wizard_->form1();
    form.Text1->setText(testpg::dsn());
    form.Text2->setText(login.user);
    form.Text3->setText(login.password);
    form.PushButton3_Click();
}

bool WizardDriver::openTable(const QString &name)
{
    if (!startOpeningTable(name))
        return false;
    // The rest of the rows join the grid beside the window.
    const TableModel &model = editor().DataGrid1->tableModel();
    QElapsedTimer clock;
    clock.start();
    while (model.isReading() && clock.elapsed() < 120000)
        QTest::qWait(5);
    return true;
}

bool WizardDriver::startOpeningTable(const QString &name)
{
    QListWidget *list = chooser().List1;
    const auto found = list->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    list->setCurrentItem(found.front());
    chooser().PushButton3_Click();
    return true;
}

Form2 &WizardDriver::chooser()
{
    return wizard_->form2();
}

Form3 &WizardDriver::editor()
{
    return wizard_->form3();
}

testpg::Login createScratchLogin(const QString &name)
{
    dropScratchLogin(name);
    testpg::adminExec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'pw_%1'; "
                                     "CREATE SCHEMA %1 AUTHORIZATION %1;").arg(name));
    return {name, QStringLiteral("pw_") + name};
}

void dropScratchLogin(const QString &name)
{
    testpg::adminExec(QStringLiteral("DO $$ BEGIN "
                                     "IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN "
                                     "EXECUTE 'DROP OWNED BY %1 CASCADE'; EXECUTE 'DROP ROLE %1'; "
                                     "END IF; END $$;").arg(name));
}
