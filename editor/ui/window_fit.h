#pragma once

#include <QObject>
#include <QRect>
#include <vector>

class QWidget;

// Lets a window's grid take all the room the window gives it, with the
// controls under it kept at its width, in their order and at their
// heights and spacing. Off, every control is where the window was designed
// to have it, and resizing the window moves nothing.
class WindowFit : public QObject {
    Q_OBJECT
public:
    // The controls' present places are the designed ones.
    WindowFit(QWidget &window, QWidget &grid, std::vector<QWidget *> below);

    void setOn(bool on);
    bool isOn() const { return on_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void arrange();

    QWidget &window_;
    QWidget &grid_;
    std::vector<QWidget *> below_;
    QRect gridDesigned_;
    std::vector<QRect> belowDesigned_;
    int designedHeight_;
    int designedWidth_;
    bool on_ = false;
};
