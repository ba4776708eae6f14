#pragma once

#include <QFont>
#include <QPushButton>
#include <QRect>

#include "app/app_error.h"

// Window layouts are given in twips, as the designer laid them out; 15 twips
// make a pixel.
inline QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

inline QFont arialFont(qreal points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A window with a fixed single border: no resizing, no maximize box.
inline void makeFixedWindow(QWidget &window, QSize clientSize)
{
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window.setFixedSize(clientSize);
}

// The wizard's push buttons: Arial 11.25 pt bold. Return or Space presses
// the button that has the focus, as on any desktop.
inline QPushButton *makePushButton(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(arialFont(11.25, true));
    button->setAutoDefault(true);
    return button;
}

// Qt's smart pointers stay null when an object could not be made; a
// statement that needs the object then fails as a missing object does.
template <class Pointer>
auto &requireObject(Pointer &pointer)
{
    if (!pointer)
        throw AppError(QStringLiteral("Object required"));
    return *pointer;
}
