#pragma once

#include "app/ui/kit/end_program.h"

#include <memory>

class Form1;
class Form2;
class Form3;
struct LoginValues;

// The three windows of the wizard. Each is created on first use and lives
// until the program ends; moving on or back only shows one and hides another.
// The windows know nothing of each other: the wizard gives each the steps
// that lead to the others, and the login values they pass on.
class Wizard {
public:
    Wizard();
    ~Wizard();
    Wizard(const Wizard &) = delete;
    Wizard &operator=(const Wizard &) = delete;

    // Loads the login window (the start-up sequence) and shows it unless the
    // remembered login went straight on to the table chooser.
    void start();

    // The windows as they stand; the chooser and the editor are created (and
    // loaded) when first asked for, the chooser with the login in the login
    // window.
    Form1 &form1();
    Form2 &form2();
    Form3 &form3();
    bool hasForm2() const { return form2_ != nullptr; }
    bool hasForm3() const { return form3_ != nullptr; }

private:
    Form2 &chooser(const LoginValues &login);

    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
};
