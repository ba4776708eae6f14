#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <functional>

// Presses Cancel on each wait dialog as soon as it shows (once `ready`, when
// given, agrees), with the dialog's delay shortened for as long as it lives,
// and notes what the last dialog said and when its Cancel was pressed.
class CancelWhenShown {
public:
    explicit CancelWhenShown(std::function<bool()> ready = {});
    ~CancelWhenShown() { stop(); }
    CancelWhenShown(const CancelWhenShown &) = delete;
    CancelWhenShown &operator=(const CancelWhenShown &) = delete;
    // Lets the dialogs be again, before the test's end.
    void stop();

    qint64 cancelMs() const { return sinceCancel_.elapsed(); }
    QString label;  // the dialog's text
    QString shown;  // its title, text and whether it was visible, joined by "|"

private:
    QElapsedTimer sinceCancel_;
};

// A server-side advisory lock held by a session of the superuser's own, for
// as long as the test wants: a statement of the program that takes the same
// lock (a view or trigger calling pg_advisory_xact_lock_shared) waits on the
// server until release(), however fast or slow the machine is.
class HeldServerLock {
public:
    explicit HeldServerLock(qint64 key);
    ~HeldServerLock() { release(); }
    HeldServerLock(const HeldServerLock &) = delete;
    HeldServerLock &operator=(const HeldServerLock &) = delete;
    bool held() const { return held_; }
    // Whether a session waits for the lock now.
    bool waitedFor() const;
    void release();

private:
    qint64 key_;
    QProcess psql_;
    bool held_ = false;
};
