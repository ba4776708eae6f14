#include "editor/ui/window_fit.h"

#include <QEvent>
#include <QWidget>

WindowFit::WindowFit(QWidget &window, QWidget &grid, std::vector<QWidget *> below)
    : QObject(&window), window_(window), grid_(grid), below_(std::move(below)), gridDesigned_(grid.geometry()),
      designedHeight_(window.height()), designedWidth_(window.width())
{
    for (QWidget *widget : below_)
        belowDesigned_.push_back(widget->geometry());
    window_.installEventFilter(this);
}

void WindowFit::setOn(bool on)
{
    on_ = on;
    if (on_) {
        arrange();
        return;
    }
    grid_.setGeometry(gridDesigned_);
    for (size_t i = 0; i < below_.size(); ++i)
        below_[i]->setGeometry(belowDesigned_[i]);
}

bool WindowFit::eventFilter(QObject *watched, QEvent *event)
{
    if (on_ && watched == &window_ && event->type() == QEvent::Resize)
        arrange();
    return QObject::eventFilter(watched, event);
}

void WindowFit::arrange()
{
    // The designed margins and gaps, measured from the window's edges.
    const int left = gridDesigned_.left();
    const int width = qMax(window_.width() - left - (designedWidth_ - gridDesigned_.right() - 1), 40);
    int bottom = window_.height() - (designedHeight_ - (belowDesigned_.empty() ? gridDesigned_.bottom() + 1
                                                                                : belowDesigned_.back().bottom() + 1));
    for (size_t i = below_.size(); i-- > 0;) {
        const QRect &designed = belowDesigned_[i];
        const int top = bottom - designed.height();
        below_[i]->setGeometry(left, top, width, designed.height());
        const int designedAbove = i > 0 ? belowDesigned_[i - 1].bottom() + 1 : gridDesigned_.bottom() + 1;
        bottom = top - (designed.top() - designedAbove);
    }
    grid_.setGeometry(left, gridDesigned_.top(), width, qMax(bottom - gridDesigned_.top(), 40));
}
