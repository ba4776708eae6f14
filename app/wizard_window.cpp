#include "app/wizard_window.h"

WizardWindow::WizardWindow(QWidget *parent) : QWidget(parent) {}

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
