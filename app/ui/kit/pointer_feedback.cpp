#include "app/ui/kit/pointer_feedback.h"

#include "app/ui/kit/look.h"
#include "app/ui/kit/wizard_window.h"

#include <QEnterEvent>
#include <QGroupBox>
#include <QMouseEvent>

namespace {

// Plain QWidget and QFrame instances only arrange other widgets; the mouse
// over one of them is over whatever holds it.
bool isBareContainer(const QWidget *widget)
{
    const QMetaObject *type = widget->metaObject();
    return type == &QWidget::staticMetaObject || type == &QFrame::staticMetaObject;
}

} // namespace

PointerFeedback::PointerFeedback(WizardWindow &window, const QList<QWidget *> &hand,
                                 const QList<QWidget *> &plain)
    : QObject(&window), window_(window)
{
    for (QWidget *control : hand) {
        hand_.insert(control);
        watch(control);
    }
    for (QWidget *control : plain) {
        plain_.insert(control);
        watch(control);
    }
}

void PointerFeedback::watch(QWidget *control)
{
    control->setMouseTracking(true);
    control->installEventFilter(this);
    if (isContainer(control))
        return;
    // A composite control (a list, the grid) receives the mouse in its parts:
    // the viewport, headers, scroll bars. They all count as the control, and
    // a part that does not follow the mouse would swallow the movement.
    const QList<QWidget *> parts = control->findChildren<QWidget *>();
    for (QWidget *part : parts) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

bool PointerFeedback::isContainer(const QWidget *control) const
{
    return control == &window_ || qobject_cast<const QGroupBox *>(control) || isBareContainer(control);
}

const QWidget *PointerFeedback::listedControlOf(const QWidget *widget) const
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (hand_.contains(w) || plain_.contains(w))
            return w;
        if (w == &window_)
            break;
    }
    return nullptr;
}

bool PointerFeedback::eventFilter(QObject *watched, QEvent *event)
{
    QPoint position;
    if (event->type() == QEvent::MouseMove)
        position = static_cast<QMouseEvent *>(event)->position().toPoint();
    else if (event->type() == QEvent::Enter)
        position = static_cast<QEnterEvent *>(event)->position().toPoint();
    else
        return false;

    auto *receiver = qobject_cast<QWidget *>(watched);
    if (!receiver)
        return false;
    const QWidget *control = listedControlOf(receiver);
    if (!control)
        return false;

    // A move that reaches a window or frame from one of its controls (Qt
    // passes unhandled moves on to the parent) belongs to that control, which
    // has its own rule or none.
    if (isContainer(control)) {
        for (QWidget *under = receiver->childAt(position); under && under != receiver;
             under = under->parentWidget()) {
            if (!isBareContainer(under))
                return false;
        }
    }

    if (window_.MousePointer() == WizardWindow::Hourglass)
        return false;
    window_.setMousePointer(hand_.contains(control) ? WizardWindow::Custom : WizardWindow::Default);
    return false;
}

void installPointerFeedback(WizardWindow &window, std::initializer_list<QWidget *> hand,
                            std::initializer_list<QWidget *> plain)
{
    new PointerFeedback(window, QList<QWidget *>(hand), QList<QWidget *>(plain));
}
