#include "app/settings_store.h"

#include "app/app_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString organization = QStringLiteral("Kestrelon");

QSettings openStore(const QString &appName)
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, organization, appName);
}

// Makes the folders of a path that are missing, each readable by its owner
// only whatever the umask: the settings folder holds a password.
void createPrivateFolders(const QString &folder)
{
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (QFileInfo(absolute).isDir())
        return;
    createPrivateFolders(QFileInfo(absolute).path());
    const QByteArray native = QFile::encodeName(absolute);
    if (::mkdir(native.constData(), 0700) == 0) {
        // mkdir's mode passes through the umask, which may take the owner's bits.
        ::chmod(native.constData(), 0700);
    } else if (const int cause = errno; cause != EEXIST || !QFileInfo(absolute).isDir()) {
        throw AppError(QStringLiteral("Cannot create the settings folder %1: %2")
                           .arg(absolute, QString::fromLocal8Bit(strerror(cause))));
    }
}

// Qt writes the settings into a new file that takes the mode of the file it
// replaces, so the file must be owner-only before the first value goes in:
// created so when missing, made so when an older one is readable by others.
void makeOwnerOnly(const QString &path)
{
    createPrivateFolders(QFileInfo(path).absolutePath());
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw AppError(QStringLiteral("Cannot create the settings file %1: %2")
                           .arg(path, QString::fromLocal8Bit(strerror(errno))));
    struct stat info {};
    const bool shared = ::fstat(fd, &info) != 0 || (info.st_mode & 077) != 0;
    const bool fixed = !shared || ::fchmod(fd, 0600) == 0;
    const int cause = errno;
    ::close(fd);
    // Never write a password into a file others can read.
    if (!fixed)
        throw AppError(QStringLiteral("Cannot make the settings file %1 private: %2")
                           .arg(path, QString::fromLocal8Bit(strerror(cause))));
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
    makeOwnerOnly(path);
    change(store);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("Cannot write the settings file %1").arg(path));
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
