#pragma once

#include "support/postgres.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class Form2;
class Form3;
class Wizard;

// Drives the wizard the way a user does, through its windows' handlers, with
// the settings store and the program's end redirected for the test.
class WizardDriver {
public:
    WizardDriver();
    ~WizardDriver();

    Wizard &wizard() { return *wizard_; }
    // Types the login into the login window and presses "Next >".
    void logIn(const testpg::Login &login);
    // Selects the table in the chooser and presses "Next >", then waits
    // until the grid has read the whole table; false when the table is not
    // listed.
    bool openTable(const QString &name);
    // The same, returning as soon as "Next >" did, while the grid may still
    // be reading the rest of the table.
    bool startOpeningTable(const QString &name);
    Form2 &chooser();
    Form3 &editor();
    int programEnds() const { return programEnds_; }
    const QStringList &startupMessages() const { return startupMessages_; }

private:
    QTemporaryDir settings_;
    std::unique_ptr<Wizard> wizard_;
    int programEnds_ = 0;
    QStringList startupMessages_;
};

// A login role of its own for a test program, so that its tables never show
// up in another test's list. Created once, dropped with everything it owns.
testpg::Login createScratchLogin(const QString &name);
void dropScratchLogin(const QString &name);
