#include "export/process_launch.h"

#include "app/app_error.h"
#include "app/seams.h"

#include <QDir>
#include <QProcess>

namespace {

ProgramStarter &currentStarter()
{
    return seams::current().startProgram;
}

} // namespace

void startDetachedProgram(const QString &program, const QStringList &arguments)
{
    const ProgramStarter &starter = currentStarter();
    const bool started = starter ? starter(program, arguments) : QProcess::startDetached(program, arguments);
    if (!started)
        throw AppError(QStringLiteral("Cannot start \"%1\"").arg(QDir::toNativeSeparators(program)));
}

ProgramStarter setProgramStarter(ProgramStarter starter)
{
    ProgramStarter previous = std::move(currentStarter());
    currentStarter() = std::move(starter);
    return previous;
}
