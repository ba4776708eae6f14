#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>

// What the directory of a Windows cursor file says about its first image.
struct CursorFileEntry {
    QPoint hotspot;
    qsizetype imageOffset = 0;
    qsizetype imageSize = 0;
};

// Reads the cursor directory at the start of `data`; throws AppError naming
// `path` when the data is not a cursor file or its first image lies outside it.
CursorFileEntry readCursorDirectory(const QByteArray &data, const QString &path);
