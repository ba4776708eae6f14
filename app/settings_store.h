#pragma once

#include <QString>

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
