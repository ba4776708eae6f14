#pragma once

#include <QObject>
#include <QSet>

class QWidget;
class WizardWindow;

// Sets a window's pointer value from the mouse's movement over its controls:
// the hand (99) over `hand` controls, the default (0) over `plain` ones, and
// never while the hourglass (11) is up. The window owns it.
class PointerFeedback : public QObject {
    Q_OBJECT
public:
    PointerFeedback(WizardWindow &window, const QList<QWidget *> &hand, const QList<QWidget *> &plain);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QWidget *control);
    const QWidget *listedControlOf(const QWidget *widget) const;
    bool isContainer(const QWidget *control) const;

    WizardWindow &window_;
    QSet<const QWidget *> hand_;
    QSet<const QWidget *> plain_;
};
