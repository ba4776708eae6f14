#pragma once

#include <QString>
#include <QVariantMap>

// The per-user settings store, addressed by application name, section and
// key. Values are text and come back exactly as written. The store is an INI
// file under the user's configuration folder ($XDG_CONFIG_HOME/Kestrelon/);
// it holds a password in plain text, so it is kept readable by its owner only.

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue = {});

// Writes one value; throws AppError when the store cannot be written.
void SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value);

// The file that holds the values of an application name.
QString settingsFilePath(const QString &appName);

// What the program remembers beyond the login, each in a group of its own
// ("a/b" for a group within a group), never in the login's section.
QVariantMap readStoredGroup(const QString &appName, const QString &group);
// Replaces the group's values; an empty map forgets the group. Throws
// AppError when the store cannot be written.
void replaceStoredGroup(const QString &appName, const QString &group, const QVariantMap &values);
