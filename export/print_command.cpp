#include "export/print_command.h"

#include "app/app_error.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {

// Spooling a text file takes well under a second; a scheduler that has not
// taken the job after this long is not going to.
constexpr int spoolTimeoutMs = 120'000;

} // namespace

QString findPrintProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("lp"));
}

void printFile(const QString &lp, const QString &path)
{
    if (lp.isEmpty())
        throw AppError(QStringLiteral("The printing program lp was not found on PATH."));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LPDEST"));
    environment.remove(QStringLiteral("PRINTER"));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // An absolute path can never be taken for one of lp's options.
    process.start(lp, {QFileInfo(path).absoluteFilePath()});
    if (!process.waitForStarted())
        throw AppError(QStringLiteral("Cannot start ") + lp + QStringLiteral(": ")
                       + process.errorString());
    if (!process.waitForFinished(spoolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        throw AppError(lp + QStringLiteral(" did not finish spooling the print job."));
    }
    if (process.exitStatus() != QProcess::NormalExit)
        throw AppError(lp + QStringLiteral(" ended abnormally."));
    if (process.exitCode() != 0) {
        const QString message = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        throw AppError(message.isEmpty()
                           ? lp + QStringLiteral(" failed with exit status ")
                                 + QString::number(process.exitCode()) + QLatin1Char('.')
                           : message);
    }
}
