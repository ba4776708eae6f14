#include "app/ui/wizard.h"

#include "app/background_call.h"

#include "app/ui/form1.h"
#include "db/ui/form2.h"
#include "editor/ui/form3.h"

Wizard::Wizard() = default;

Wizard::~Wizard()
{
    // The windows' handles go only after the worker has let go of them.
    background::worker().waitUntilIdle();
    // The editor holds the open table: it goes first.
    form3_.reset();
    form2_.reset();
    form1_.reset();
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
    if (!form1_) {
        form1_ = std::make_unique<Form1>();
        form1_->showChooser = [this](const LoginValues &login) { chooser(login).showCentred(); };
        form1_->loadChooser = [this](const LoginValues &login) {
            Form2 &list = chooser(login);
            list.setLogin(login);
            list.Form_Load();
        };
    }
    return *form1_;
}

Form2 &Wizard::form2()
{
    return chooser(form1().login());
}

Form2 &Wizard::chooser(const LoginValues &login)
{
    if (!form2_) {
        form2_ = std::make_unique<Form2>();
        form2_->showLogin = [this] { form1().showCentred(); };
        form2_->editor = {[this]() -> Form3 & { return form3(); }, [this] { return form3_.get(); }};
        form2_->setLogin(login);
        form2_->Form_Load();
    }
    return *form2_;
}

Form3 &Wizard::form3()
{
    if (!form3_) {
        form3_ = std::make_unique<Form3>();
        form3_->showChooser = [this] { form2().showCentred(); };
        form3_->Form_Load();
    }
    return *form3_;
}
