#pragma once

#include <QFont>
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

// Qt's smart pointers stay null when an object could not be made; a
// statement that needs the object then fails as a missing object does.
template <class Pointer>
auto &requireObject(Pointer &pointer)
{
    if (!pointer)
        throw AppError(QStringLiteral("Object required"));
    return *pointer;
}
