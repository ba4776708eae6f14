#include "export/private_temp_file.h"

#include "app/app_error.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString exportTempFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    return temp.isEmpty() ? QDir::tempPath() : temp;
}

QString createPrivateTempFile(const QString &nameTemplate)
{
    const QString folder = exportTempFolder();
    // QTemporaryFile creates the file exclusively and owner-only (0600).
    QTemporaryFile file(QDir(folder).filePath(nameTemplate));
    file.setAutoRemove(false);
    if (!file.open())
        throw AppError(QStringLiteral("Cannot create a temporary file in ") + folder
                       + QStringLiteral(": ") + file.errorString());
    return QFileInfo(file.fileName()).absoluteFilePath();
}
