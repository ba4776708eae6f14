#pragma once

#include <QElapsedTimer>
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
