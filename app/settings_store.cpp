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

namespace {

// Writes through `change`, creating the file owner-only first; throws
// AppError when the store cannot be written.
template <class Change>
void changeStore(const QString &appName, Change change)
{
    QSettings store = openStore(appName);
    const QString path = store.fileName();
    if (!QFileInfo::exists(path))
        createOwnerOnly(path);
    change(store);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("Cannot write the settings file %1").arg(path));
    // An older file made by hand may still be readable by others.
    ::chmod(QFile::encodeName(path).constData(), 0600);
}

} // namespace

void SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value)
{
    changeStore(appName, [&](QSettings &store) {
        store.beginGroup(section);
        store.setValue(key, value);
        store.endGroup();
    });
}

QVariantMap readStoredGroup(const QString &appName, const QString &group)
{
    QSettings store = openStore(appName);
    store.beginGroup(group);
    QVariantMap values;
    for (const QString &key : store.childKeys())
        values.insert(key, store.value(key));
    return values;
}

void replaceStoredGroup(const QString &appName, const QString &group, const QVariantMap &values)
{
    changeStore(appName, [&](QSettings &store) {
        store.remove(group);
        store.beginGroup(group);
        for (auto value = values.begin(); value != values.end(); ++value)
            store.setValue(value.key(), value.value());
        store.endGroup();
    });
}
