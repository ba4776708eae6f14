#include "app/ui/kit/wizard_window.h"

#include <QGuiApplication>
#include <QScreen>

WizardWindow::WizardWindow(QWidget *parent) : QWidget(parent) {}

void WizardWindow::showCentred()
{
    if (!isVisible() && !centred_) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        centred_ = true;
    }
    show();
    raise();
    activateWindow();
}

void WizardWindow::setMousePointer(int value)
{
    if (mousePointer_ == value)
        return;
    mousePointer_ = value;
    applyPointer();
    emit mousePointerChanged(value);
}

void WizardWindow::setMouseIcon(const QCursor &cursor)
{
    mouseIcon_ = cursor;
    applyPointer();
}

void WizardWindow::applyPointer()
{
    switch (mousePointer_) {
    case Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case Custom:
        setCursor(mouseIcon_ ? *mouseIcon_ : QCursor(Qt::PointingHandCursor));
        break;
    default:
        unsetCursor();
        break;
    }
}

BusyPointer busyPointerOf(WizardWindow &window)
{
    return [&window](bool busy) { window.setMousePointer(busy ? WizardWindow::Hourglass : WizardWindow::Default); };
}
