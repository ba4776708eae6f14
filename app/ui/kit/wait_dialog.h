#pragma once

#include "app/background_call.h"
#include "export/busy_pointer.h"

#include <QElapsedTimer>
#include <QString>
#include <memory>
#include <type_traits>

class QProgressDialog;
class QWidget;
class WizardWindow;

// The small window "Tabvale Software" that shows, once a wait has lasted
// about a second, what the program waits for, with a Cancel button. Modal:
// no other window takes input while it is up.
class WaitDialog {
public:
    // `text` may hold %L1 for a count ("Reading the table: %L1 rows so far").
    WaitDialog(QWidget *window, QString text);
    ~WaitDialog();
    WaitDialog(const WaitDialog &) = delete;
    WaitDialog &operator=(const WaitDialog &) = delete;

    // Shows the window once the delay has passed and puts the count in its
    // text; false once the user has pressed Cancel. Once the work can no
    // longer be stopped (`stoppable` false), the window says so and no longer
    // offers Cancel; a Cancel pressed from then on counts for nothing.
    bool update(qint64 count, bool stoppable = true);
    // Whether the user pressed Cancel while the window offered it.
    bool cancelPressed();
    QProgressDialog *dialog() const { return dialog_.get(); }

    static constexpr QStringView finishingText = u"Finishing the write...";

    // How long a wait lasts before the window shows; tests shorten it.
    static void setDelay(int milliseconds);

private:
    QWidget *window_;
    QString text_;
    QElapsedTimer clock_;
    std::unique_ptr<QProgressDialog> dialog_;
    bool finishing_ = false;
    bool cancelPressed_ = false;
};

// Runs `job` on the worker while `window` waits for it, painting and
// showing the wait dialog. Throws background::Cancelled when the user gave
// up, also when the Cancel came in the moment the call ended, unless the
// call had gone past its point of no return: then what it did stands, and
// the answer is true (the user pressed Cancel too late to stop it).
bool waitBeside(QWidget *window, const QString &text, background::WhenGivenUp whenGivenUp, background::Job job);

// waitBeside for a call with a result, which it gives back. A failure of the
// call is thrown here, so the caller's error trap reports it as if the call
// had run on this thread. `cancelTooLate`, when given, is told whether the
// user pressed Cancel once the call could no longer be stopped.
template <class Call>
auto runBeside(QWidget *window, const QString &text, background::WhenGivenUp whenGivenUp, Call call,
               bool *cancelTooLate = nullptr) -> std::invoke_result_t<Call &>
{
    using Result = std::invoke_result_t<Call &>;
    auto outcome = std::make_shared<background::Outcome<Result>>();
    // Shared, so that a call given up keeps what it captured until it ends.
    auto shared = std::make_shared<Call>(std::move(call));
    const bool late = waitBeside(window, text, whenGivenUp, [outcome, shared] { outcome->run(*shared); });
    if (cancelTooLate)
        *cancelTooLate = late;
    return outcome->take();
}

// The wait dialog for long work on this thread (an export): window events are
// let through between rows, other input is held off, and Cancel makes
// workprogress::report answer false.
class ProgressHere {
public:
    ProgressHere(QWidget *window, const QString &text);
    ~ProgressHere();
    ProgressHere(const ProgressHere &) = delete;
    ProgressHere &operator=(const ProgressHere &) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

inline const QString savingTableText = QStringLiteral("Saving the table: %L1 rows so far");

// What an export started from `window` shows: the hourglass while it writes,
// and the wait dialog (kept in `progress`) once it takes long. Exports run on
// the window's thread and let window events through between rows: they read
// the grid's rows, which only that thread may touch.
BusyPointer exportPointer(WizardWindow &window, std::unique_ptr<ProgressHere> &progress);
