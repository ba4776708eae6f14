#include "support/wait_cancel.h"

#include "app/seams.h"
#include "app/ui/kit/wait_dialog.h"
#include "support/postgres.h"

#include <QProgressDialog>

CancelWhenShown::CancelWhenShown(std::function<bool()> ready)
{
    WaitDialog::setDelay(50);
    seams::current().progressReported = [this, ready = std::move(ready)](QProgressDialog *dialog) {
        if (!dialog || dialog->wasCanceled() || (ready && !ready()))
            return;
        label = dialog->labelText();
        shown = dialog->windowTitle() + u'|' + label + u'|' + QString::number(dialog->isVisible());
        sinceCancel_.start();
        dialog->cancel();
    };
}

void CancelWhenShown::stop()
{
    seams::current().progressReported = {};
    WaitDialog::setDelay(1000);
}

HeldServerLock::HeldServerLock(qint64 key) : key_(key)
{
    psql_.start(QStringLiteral("psql"),
                {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                 QStringLiteral("-h"), qEnvironmentVariable("TABVALE_PG_SOCKDIR"), QStringLiteral("-p"),
                 qEnvironmentVariable("TABVALE_PG_PORT"), QStringLiteral("-U"), QStringLiteral("postgres"),
                 QStringLiteral("-d"), QStringLiteral("postgres")});
    if (!psql_.waitForStarted(60000))
        return;
    psql_.write(QStringLiteral("SELECT pg_advisory_lock(%1);\nSELECT 'held';\n").arg(key_).toUtf8());
    QByteArray output;
    while (!output.contains("held") && psql_.waitForReadyRead(60000))
        output += psql_.readAllStandardOutput();
    held_ = output.contains("held");
}

bool HeldServerLock::waitedFor() const
{
    const QStringList waiting = testpg::adminQuery(
        QStringLiteral("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted "
                       "AND ((classid::bigint << 32) | objid::bigint) = %1")
            .arg(key_));
    return waiting.value(0).toInt() > 0;
}

void HeldServerLock::release()
{
    if (psql_.state() == QProcess::NotRunning)
        return;
    // The session's end lets the lock go.
    psql_.closeWriteChannel();
    psql_.waitForFinished(60000);
    held_ = false;
}
