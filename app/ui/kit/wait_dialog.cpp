#include "app/ui/kit/wait_dialog.h"

#include "app/seams.h"
#include "app/ui/kit/wizard_window.h"
#include "app/work_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {

int delayMs = 1000;
constexpr int tickMs = 50;

using TypedAheadKey = std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>;

// Hands keys typed ahead during a wait to the window they were typed into,
// once that window is the active one again and the activation changes the
// wait dialog caused (its coming and its going) have come through. A change
// that came after a key had opened a cell's editor would close that editor
// and take the key as a confirmed edit the user never made.
class TypedAheadReplay : public QObject {
public:
    TypedAheadReplay(QWidget *window, std::vector<TypedAheadKey> keys) : QObject(window), keys_(std::move(keys))
    {
        // In each pass of the event loop, posted calls run before the window
        // system's events: the second hop comes after the pass in which the
        // wait ended has delivered its activation changes.
        QMetaObject::invokeMethod(
            this, [this] { QMetaObject::invokeMethod(this, [this] { replayWhenActive(); }, Qt::QueuedConnection); },
            Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent() && event->type() == QEvent::WindowActivate)
            QMetaObject::invokeMethod(this, [this] { replayWhenActive(); }, Qt::QueuedConnection);
        return false;
    }

private:
    void replayWhenActive()
    {
        auto *window = static_cast<QWidget *>(parent());
        if (!window->isVisible()) {
            deleteLater();
            return;
        }
        if (!window->isActiveWindow()) {
            if (!watching_) {
                watching_ = true;
                window->installEventFilter(this);
                // The wait took the activation away from the program's
                // windows; it goes back to the one that waited.
                if (!QApplication::activeWindow())
                    window->activateWindow();
            }
            return;
        }
        window->removeEventFilter(this);
        // Each key goes where the keys before it have moved the focus (the
        // first may open a cell's editor), as it would have gone when typed.
        for (auto &[receiver, event] : keys_) {
            auto *original = qobject_cast<QWidget *>(receiver.data());
            if (!original)
                continue;
            QWidget *target = QApplication::focusWidget();
            if (!target || target->window() != original->window())
                target = original;
            QCoreApplication::sendEvent(target, event.get());
        }
        keys_.clear();
        deleteLater();
    }

    std::vector<TypedAheadKey> keys_;
    bool watching_ = false;
};

// While a wait lasts, no window but the wait dialog takes the user's input,
// also in the second before the dialog shows: nothing may start a second
// operation meanwhile. Keys typed ahead for those windows are handed to them
// once the wait is over, unless the user gave it up. A window closed
// meanwhile is closed again once the wait is over, so that the program ends
// as its window says, but only after the call has let go of what it holds.
class InputHold : public QObject {
public:
    explicit InputHold(const WaitDialog &wait) : wait_(wait)
    {
        // Boxes and dialogs that come up meanwhile (an error report of an
        // export) take input as usual.
        for (QWidget *window : QApplication::topLevelWidgets())
            held_.push_back(window);
        qApp->installEventFilter(this);
    }
    ~InputHold() override
    {
        qApp->removeEventFilter(this);
        if (!typedAhead_.empty()) {
            auto *first = qobject_cast<QWidget *>(typedAhead_.front().first.data());
            if (first)
                new TypedAheadReplay(first->window(), std::move(typedAhead_));
        }
        if (closed_)
            QTimer::singleShot(0, closed_.data(), [window = closed_] {
                if (window)
                    window->close();
            });
    }
    bool closeRequested() const { return !closed_.isNull(); }
    void dropTypedAhead() { typedAhead_.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (!isHeld(widget->window()))
            return false;
        switch (event->type()) {
        case QEvent::Close:
            if (!event->spontaneous() || !widget->isWindow())
                return false;
            closed_ = widget;
            event->ignore();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (event->spontaneous())
                typedAhead_.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

private:
    bool isHeld(const QWidget *window) const
    {
        if (wait_.dialog() && window == wait_.dialog())
            return false;
        return std::any_of(held_.begin(), held_.end(), [window](const QPointer<QWidget> &held) { return held == window; });
    }

    const WaitDialog &wait_;
    std::vector<QPointer<QWidget>> held_;
    QPointer<QWidget> closed_;
    std::vector<TypedAheadKey> typedAhead_;
};

} // namespace

void WaitDialog::setDelay(int milliseconds)
{
    delayMs = milliseconds;
}

WaitDialog::WaitDialog(QWidget *window, QString text) : window_(window), text_(std::move(text))
{
    clock_.start();
}

WaitDialog::~WaitDialog() = default;

bool WaitDialog::cancelPressed()
{
    if (dialog_ && !finishing_ && dialog_->wasCanceled())
        cancelPressed_ = true;
    return cancelPressed_;
}

bool WaitDialog::update(qint64 count, bool stoppable)
{
    // A Cancel pressed before the window stopped offering it still counts.
    cancelPressed();
    if (!dialog_ && clock_.elapsed() >= delayMs) {
        dialog_ = std::make_unique<QProgressDialog>(window_);
        dialog_->setWindowTitle(QStringLiteral("Tabvale Software"));
        dialog_->setRange(0, 0);
        dialog_->setMinimumDuration(0);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        // The waiting window may be disabled while it waits; its dialog is not.
        dialog_->setEnabled(true);
    }
    if (dialog_ && !stoppable && !finishing_) {
        finishing_ = true;
        // Neither the button nor Escape may promise what can no longer be done.
        if (auto *button = dialog_->findChild<QPushButton *>())
            button->setEnabled(false);
        for (auto *shortcut : dialog_->findChildren<QShortcut *>())
            shortcut->setEnabled(false);
    }
    if (dialog_) {
        if (finishing_)
            dialog_->setLabelText(finishingText.toString());
        else
            dialog_->setLabelText(text_.contains(QLatin1String("%L1")) ? text_.arg(count) : text_);
        if (!dialog_->isVisible())
            dialog_->show();
    }
    if (const auto &observer = seams::current().progressReported)
        observer(dialog_.get());
    return !cancelPressed();
}

bool waitBeside(QWidget *window, const QString &text, background::WhenGivenUp whenGivenUp, background::Job job)
{
    WaitDialog wait(window, text);
    InputHold hold(wait);
    const std::shared_ptr<background::CallControl> call = background::worker().post(std::move(job));
    QEventLoop loop;
    const bool running = call->notifyWhenFinished(
        [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
    bool gaveUp = false;
    // Past its point of no return the call is waited for to its end.
    bool mustFinish = false;
    bool cancelTooLate = false;
    if (running) {
        // Until the dialog shows, what the user types and clicks stays queued
        // and reaches the windows once the wait is over, as it would had the
        // call run on this thread: a key pressed during a short write is not
        // lost. From then on, the dialog's Cancel must be heard.
        bool inputLetIn = false;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (call->finished()) {
                loop.quit();
                return;
            }
            const bool wanted
                = wait.update(call->progress(), !call->pastPointOfNoReturn()) && !hold.closeRequested();
            if (wait.dialog() && !inputLetIn) {
                inputLetIn = true;
                loop.quit();
                return;
            }
            if (wanted || mustFinish)
                return;
            if (call->cancel() || !call->pastPointOfNoReturn()) {
                // Stopped, or ended this moment without anything that stands:
                // either way its result is not wanted.
                background::worker().giveUp(call, whenGivenUp);
                gaveUp = true;
                loop.quit();
            } else {
                mustFinish = true;
                cancelTooLate = wait.cancelPressed();
            }
        });
        tick.start(tickMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (inputLetIn && !call->finished())
            loop.exec();
        call->stopNotifying();
    }
    // A Cancel pressed in the tick in which the call ended counts too: the
    // call ended before the window looked at the Cancel.
    if (!gaveUp && !mustFinish && wait.cancelPressed()) {
        if (call->pastPointOfNoReturn())
            cancelTooLate = true;
        else
            gaveUp = true;
    }
    if (gaveUp || cancelTooLate)
        hold.dropTypedAhead();
    if (gaveUp)
        throw background::Cancelled();
    return cancelTooLate;
}

struct ProgressHere::State {
    State(QWidget *window, const QString &text) : wait(window, text), hold(wait) { lastEvents.start(); }

    bool listen(qint64 done)
    {
        if (stopped)
            return false;
        // Looking at the clock once every few rows keeps this cheap.
        if ((++calls & 255) != 0 || lastEvents.elapsed() < tickMs)
            return true;
        lastEvents.restart();
        stopped = !wait.update(done) || hold.closeRequested();
        if (stopped)
            hold.dropTypedAhead();
        // Input waits for the end of the export until the dialog shows (see
        // waitBeside).
        QApplication::processEvents(wait.dialog() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        return !stopped;
    }

    WaitDialog wait;
    InputHold hold;
    QElapsedTimer lastEvents;
    quint32 calls = 0;
    bool stopped = false;
    std::unique_ptr<workprogress::Listener> listener;
};

ProgressHere::ProgressHere(QWidget *window, const QString &text) : state_(std::make_unique<State>(window, text))
{
    state_->listener = std::make_unique<workprogress::Listener>([state = state_.get()](qint64 done) {
        return state->listen(done);
    });
}

ProgressHere::~ProgressHere() = default;

BusyPointer exportPointer(WizardWindow &window, std::unique_ptr<ProgressHere> &progress)
{
    return [&window, &progress](bool busy) {
        window.setMousePointer(busy ? WizardWindow::Hourglass : WizardWindow::Default);
        if (busy)
            progress = std::make_unique<ProgressHere>(&window, savingTableText);
        else
            progress.reset();
    };
}
