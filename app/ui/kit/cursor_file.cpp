#include "app/ui/kit/cursor_file.h"

#include "app/app_error.h"
#include "app/ui/kit/look.h"

#include <QBuffer>
#include <QCursor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace {

// Layout of the file's start: a 6-byte directory header (reserved, type,
// image count) followed by 16-byte entries; in a cursor's entry the two
// 16-bit fields after the size and colour bytes hold the hotspot.
constexpr qsizetype directorySize = 6;
constexpr qsizetype entrySize = 16;
constexpr quint16 cursorType = 2;
constexpr qint64 maxCursorFileSize = 4 * 1024 * 1024;

quint16 word(const QByteArray &data, qsizetype offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

quint32 doubleWord(const QByteArray &data, qsizetype offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

AppError notACursor(const QString &path)
{
    return AppError(QStringLiteral("The file %1 is not a cursor file").arg(path));
}

} // namespace

CursorFileEntry readCursorDirectory(const QByteArray &data, const QString &path)
{
    if (data.size() < directorySize + entrySize)
        throw notACursor(path);
    if (word(data, 0) != 0 || word(data, 2) != cursorType || word(data, 4) == 0)
        throw notACursor(path);
    const qsizetype entry = directorySize;
    CursorFileEntry result;
    result.hotspot = QPoint(word(data, entry + 4), word(data, entry + 6));
    result.imageSize = doubleWord(data, entry + 8);
    result.imageOffset = doubleWord(data, entry + 12);
    if (result.imageSize == 0 || result.imageOffset < directorySize + entrySize
        || result.imageOffset > data.size() || result.imageSize > data.size() - result.imageOffset)
        throw AppError(QStringLiteral("The cursor file %1 is damaged: its image lies outside the file").arg(path));
    return result;
}

QCursor loadCursorFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot read the cursor file %1: %2").arg(path, file.errorString()));
    // Cursors are a few kilobytes; a huge file under that name is not one,
    // and reading it whole would only eat memory.
    if (file.size() > maxCursorFileSize)
        throw AppError(QStringLiteral("The file %1 is too large to be a cursor file").arg(path));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read the cursor file %1: %2").arg(path, file.errorString()));

    const CursorFileEntry entry = readCursorDirectory(data, path);

    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    const QImage image = reader.read();
    if (image.isNull())
        throw AppError(QStringLiteral("Cannot read the image of the cursor file %1: %2").arg(path, reader.errorString()));

    // Qt drops the hotspot when it reads the image; a hotspot off the image
    // would make the click land outside the picture, so keep it on it.
    const int hotX = qBound(0, entry.hotspot.x(), image.width() - 1);
    const int hotY = qBound(0, entry.hotspot.y(), image.height() - 1);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
