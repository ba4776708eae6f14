#pragma once

#include "app/message_box.h"

#include <QString>
#include <QStringList>
#include <functional>

class QProgressDialog;
class QWidget;

// The few places where the program needs a person or the desktop: a message
// box, the open and save dialogs, starting another program, a progress dialog, ending
// the program. Each is a plain function that tests may replace; an empty
// function means the real thing.
namespace seams {

struct Seams {
    // Shows a modal box and returns what the user answered.
    std::function<int(const msgbox::Request &)> messageBox;
    // Returns the file name chosen, or an empty text on cancel.
    std::function<QString(QWidget *parent, const QString &title, const QString &filter, const QString &startName)>
        saveDialog;
    // Returns the file chosen to read, or an empty text on cancel.
    std::function<QString(QWidget *parent, const QString &title)> openDialog;
    // Starts a program that outlives us; returns whether it started.
    std::function<bool(const QString &program, const QStringList &arguments)> startProgram;
    // Told each time a long operation reports progress, with its dialog once
    // that is shown (nullptr before).
    std::function<void(QProgressDialog *dialog)> progressReported;
    // Ends the program instead of closing every window and leaving the loop.
    std::function<void()> endProgram;
};

// The seams in force.
Seams &current();

// Puts back the real thing for every seam.
void reset();

} // namespace seams
