#pragma once

#include "app/login_values.h"
#include "app/ui/kit/wizard_window.h"

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The login window: SID, user name and password, remembered per user.
class Form1 : public WizardWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

    // The start-up sequence of the program.
    void Form_Load();
    // Whether the start-up sequence went straight on to the table chooser.
    bool hiddenDuringLoad() const { return hiddenDuringLoad_; }
    void showCentred();

    // The SID, user name and password as they stand in the text boxes now:
    // the only place where the current login lives.
    LoginValues login() const;

    // Where a confirmed login leads, set by the wizard that creates the
    // window: showing the table chooser, and filling its list again.
    std::function<void(const LoginValues &)> showChooser;
    std::function<void(const LoginValues &)> loadChooser;

    void PushButton3_Click(); // "Next >"
    void PushButton5_Click(); // "Test Connection"
    void PushButton2_Click(); // "Help"
    void PushButton6_Click(); // "?"

    QGroupBox *Frame1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label4;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text3;
    QPushButton *PushButton2;
    QPushButton *PushButton3;
    QPushButton *PushButton5;
    QPushButton *PushButton6;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Text1_Change();
    void Text2_Change();
    void Text3_Change();
    void rememberLoginValue(const QString &key, const QString &value);

    bool hiddenDuringLoad_ = false;
    bool warnedAboutSettings_ = false;
};
