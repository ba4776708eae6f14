#include "app/settings_store.h"

#include "app/app_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString organization = QStringLiteral("Kestrelon");

QSettings openStore(const QString &appName)
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, organization, appName);
}

// Qt keeps the mode of an existing file when it rewrites it, so the file is
// created owner-only before Qt first writes it.
void createOwnerOnly(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw AppError(QStringLiteral("Cannot create the settings file %1: %2")
                           .arg(path, QString::fromLocal8Bit(strerror(errno))));
    ::close(fd);
}

} // namespace

QString settingsFilePath(const QString &appName)
{
    return openStore(appName).fileName();
}

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    QSettings store = openStore(appName);
    store.beginGroup(section);
    return store.value(key, defaultValue).toString();
}

void SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value)
{
    QSettings store = openStore(appName);
    const QString path = store.fileName();
    if (!QFileInfo::exists(path))
        createOwnerOnly(path);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("Cannot write the settings file %1").arg(path));
    // An older file made by hand may still be readable by others.
    ::chmod(QFile::encodeName(path).constData(), 0600);
}
