#pragma once

#include "app/login_values.h"
#include "app/ui/kit/wizard_window.h"
#include "editor/ui/table_opening.h"

#include <functional>

class QGroupBox;
class QListWidget;
class QPushButton;

// The table chooser: the tables the current login owns.
class Form2 : public WizardWindow {
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);

    // The login the list and the tables opened are for.
    void setLogin(const LoginValues &login) { login_ = login; }
    // Rebuilds the list from the login.
    void Form_Load();
    // Shows the window with the focus on its first control, "< Back".
    void showCentred();

    void PushButton2_Click(); // "< Back"
    void PushButton3_Click(); // "Next >": opens the selected table

    QGroupBox *Frame1;
    QListWidget *List1;
    QPushButton *PushButton2;
    QPushButton *PushButton3;

    // Where "< Back" and "Next >" lead, set by the wizard that creates the
    // window.
    std::function<void()> showLogin;
    TableOpening::Editor editor;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    LoginValues login_;
};

// Clears the list and fills it with the names of the tables the login owns,
// letting window events through between names. No trap of its own: failures
// are thrown to the caller's trap, and the list then keeps its old names.
void FillTableList(QListWidget &list, const LoginValues &login);
