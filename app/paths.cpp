#include "app/paths.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

bool FileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString handCursorPath()
{
    return programFolder() + QStringLiteral("/HAND-M.CUR");
}

QString skinFilePath()
{
    return programFolder() + QStringLiteral("/x/o.cjs");
}
