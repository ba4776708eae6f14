#include "app/ui/wizard.h"

#include "app/background_call.h"
#include "app/seams.h"

#include "app/ui/form1.h"
#include "db/ui/form2.h"
#include "editor/ui/form3.h"

#include <QApplication>
#include <cassert>

namespace {
Wizard *current = nullptr;

std::function<void()> &endHandler()
{
    return seams::current().endProgram;
}
} // namespace

Wizard::Wizard() : previous_(current)
{
    current = this;
}

Wizard::~Wizard()
{
    // The windows' handles go only after the worker has let go of them.
    background::worker().waitUntilIdle();
    // The editor holds the open table and refers to the chooser: it goes first.
    form3_.reset();
    form2_.reset();
    form1_.reset();
    current = previous_;
}

Wizard &Wizard::instance()
{
    assert(current && "no wizard is running");
    return *current;
}

void Wizard::start()
{
    Form1 &login = form1();
    login.Form_Load();
    if (!login.hiddenDuringLoad())
        login.showCentred();
}

Form1 &Wizard::form1()
{
    if (!form1_)
        form1_ = std::make_unique<Form1>();
    return *form1_;
}

Form2 &Wizard::form2()
{
    if (!form2_) {
        form2_ = std::make_unique<Form2>();
        form2_->Form_Load();
    }
    return *form2_;
}

Form3 &Wizard::form3()
{
    if (!form3_) {
        form3_ = std::make_unique<Form3>();
        form3_->Form_Load();
    }
    return *form3_;
}

void endProgram()
{
    if (const auto &handler = endHandler()) {
        handler();
        return;
    }
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

std::function<void()> setEndProgramHandler(std::function<void()> handler)
{
    auto previous = std::move(endHandler());
    endHandler() = std::move(handler);
    return previous;
}
