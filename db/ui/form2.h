#pragma once

#include "app/login_values.h"
#include "app/ui/wizard_window.h"

class QGroupBox;
class QListWidget;
class QPushButton;

// The table chooser: the tables the current login owns.
class Form2 : public WizardWindow {
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);

    // Rebuilds the list from the login now in the login window.
    void Form_Load();
    // Shows the window with the focus on its first control, "< Back".
    void showCentred();

    void PushButton2_Click(); // "< Back"
    void PushButton3_Click(); // "Next >": opens the selected table

    QGroupBox *Frame1;
    QListWidget *List1;
    QPushButton *PushButton2;
    QPushButton *PushButton3;

protected:
    void closeEvent(QCloseEvent *event) override;
};

// The name of the table being opened, set on each "Next >" of the chooser.
const QString &CurrentTableName();

// Clears the list and fills it with the names of the tables the login owns,
// letting window events through between names. No trap of its own: failures
// are thrown to the caller's trap, and the list then keeps its old names.
void FillTableList(QListWidget &list, const LoginValues &login);
