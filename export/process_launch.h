#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Starts a desktop program that outlives us, without a shell, behind a
// replaceable function. Throws AppError when the program cannot be started.
void startDetachedProgram(const QString &program, const QStringList &arguments);

// Returns whether the program started.
using ProgramStarter = std::function<bool(const QString &program, const QStringList &arguments)>;

// Installs a starter in place of the real one; an empty one restores the real
// one. Returns the starter that was installed before.
ProgramStarter setProgramStarter(ProgramStarter starter);
