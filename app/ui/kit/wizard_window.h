#pragma once

#include "export/busy_pointer.h"

#include <QCursor>
#include <QWidget>
#include <optional>

// What the three wizard windows share: the VB-style mouse pointer value of the
// window (0 default, 11 hourglass, 99 the window's own image) and that image.
class WizardWindow : public QWidget {
    Q_OBJECT
public:
    enum Pointer : int { Default = 0, Hourglass = 11, Custom = 99 };

    explicit WizardWindow(QWidget *parent = nullptr);

    // Shows the window, centred on the screen the first time, in front.
    void showCentred();

    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int value);

    // The image shown for pointer 99; none until a cursor file is loaded.
    void setMouseIcon(const QCursor &cursor);
    bool hasMouseIcon() const { return mouseIcon_.has_value(); }

signals:
    void mousePointerChanged(int value);

private:
    void applyPointer();

    int mousePointer_ = Default;
    bool centred_ = false;
    std::optional<QCursor> mouseIcon_;
};

// The hourglass over the window while it is busy, its default pointer after.
BusyPointer busyPointerOf(WizardWindow &window);
