#pragma once

#include <QString>
#include <functional>

// Modal message boxes, VB-style: text, flags, optional title. The title
// defaults to the application title. Tests replace the handler and assert on
// the text exactly as the program built it (CR and CR LF included).
namespace msgbox {

enum Flags : int {
    OkOnly = 0,
    YesNo = 4,
    Question = 32,
    Exclamation = 48, // 0x30: OK only with the warning icon
    DefaultButton1 = 0,   // the first button (OK, Yes) answers Enter
    DefaultButton2 = 256, // the second (No)
};

// What the user answered.
enum Answer : int { Ok = 1, Yes = 6, No = 7 };

struct Request {
    QString text;
    int flags = OkOnly;
    QString title;
};

using Handler = std::function<int(const Request &)>;

int show(const QString &text, int flags = OkOnly, const QString &title = {});

// Installs a handler in place of the real box; an empty handler restores the
// real one. Returns the handler that was installed before.
Handler setHandler(Handler handler);

// The text as a Qt message box shows it: CR LF and lone CR become LF.
QString displayText(const QString &text);

} // namespace msgbox
