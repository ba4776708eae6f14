#pragma once

#include <functional>
#include <memory>

class Form1;
class Form2;
class Form3;

// The three windows of the wizard. Each is created on first use and lives
// until the program ends; moving on or back only shows one and hides another.
class Wizard {
public:
    Wizard();
    ~Wizard();
    Wizard(const Wizard &) = delete;
    Wizard &operator=(const Wizard &) = delete;

    // The wizard the program runs (the most recently created one).
    static Wizard &instance();

    // Loads the login window (the start-up sequence) and shows it unless the
    // remembered login went straight on to the table chooser.
    void start();

    Form1 &form1();
    Form2 &form2(); // creating it runs its load step
    Form3 &form3(); // likewise
    bool hasForm2() const { return form2_ != nullptr; }
    bool hasForm3() const { return form3_ != nullptr; }

private:
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    Wizard *previous_ = nullptr;
};

// Ends the program at once: every window closes, nothing more is asked.
void endProgram();
// Tests replace what ending the program does; an empty handler restores it.
std::function<void()> setEndProgramHandler(std::function<void()> handler);
