#pragma once

// What the printing tests share: the private schedulers that scripts/test
// starts, a throw-away HOME so that no real user's printer choice changes,
// and reading back the jobs a scheduler received.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>
#include <cups/cups.h>
#include <optional>
#include <vector>

namespace cupstest {

inline bool servicesRequired()
{
    return qEnvironmentVariable("TABVALE_REQUIRE_SERVICES") == QLatin1String("1");
}

inline bool schedulersConfigured()
{
    return !qEnvironmentVariableIsEmpty("TABVALE_CUPS_DIR")
        && !qEnvironmentVariableIsEmpty("TABVALE_CUPS_NO_PDF_SERVER");
}

// Skips the test when the schedulers are missing, unless they are required.
#define REQUIRE_CUPS()                                                                           \
    do {                                                                                         \
        if (!cupstest::schedulersConfigured()) {                                                 \
            if (cupstest::servicesRequired())                                                    \
                QFAIL("the private CUPS schedulers are not running");                            \
            QSKIP("no private CUPS scheduler (run through scripts/test)");                       \
        }                                                                                        \
    } while (false)

inline QString mainServer() { return qEnvironmentVariable("TABVALE_CUPS_DIR") + "/cups.sock"; }
inline QString noPdfServer() { return qEnvironmentVariable("TABVALE_CUPS_NO_PDF_SERVER"); }

// Points this process (libcups) and the programs it starts (lp) at a server.
inline void useServer(const QString &server)
{
    qputenv("CUPS_SERVER", server.toLocal8Bit());
    cupsSetServer(server.toLocal8Bit().constData());
}

// Sets an environment variable for its lifetime, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : name_(name), old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    std::optional<QByteArray> old_;
};

// libcups reads HOME once per thread, so a test sets it before its first
// CUPS call and keeps it for the whole run.
class PrivateHome {
public:
    PrivateHome() : env_("HOME", dir_.path().toLocal8Bit()) {}
    QString lpoptionsPath() const { return dir_.filePath(".cups/lpoptions"); }
    QByteArray lpoptions() const
    {
        QFile file(lpoptionsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The queue named by the user's own Default line, or empty text.
    QString userDefaultQueue() const
    {
        for (const QByteArray &line : lpoptions().split('\n')) {
            if (line.startsWith("Default "))
                return QString::fromUtf8(line.mid(8).split(' ').value(0));
        }
        return {};
    }
    void forgetPrinterChoice() const { QFile::remove(lpoptionsPath()); }

private:
    QTemporaryDir dir_;
    ScopedEnv env_;
};

struct Job {
    int id;
    QString queue;
    QString title;
    ipp_jstate_t state;
};

// Every job the current server knows, finished or not.
inline std::vector<Job> allJobs()
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    std::vector<Job> result;
    for (int i = 0; i < count; ++i)
        result.push_back({jobs[i].id, QString::fromUtf8(jobs[i].dest),
                          QString::fromUtf8(jobs[i].title), jobs[i].state});
    cupsFreeJobs(count, jobs);
    return result;
}

inline int lastJobId()
{
    int last = 0;
    for (const Job &job : allJobs())
        last = std::max(last, job.id);
    return last;
}

inline std::vector<Job> jobsAfter(int id)
{
    std::vector<Job> result;
    for (const Job &job : allJobs()) {
        if (job.id > id)
            result.push_back(job);
    }
    return result;
}

// Waits until the job has ended and returns its final state.
inline ipp_jstate_t waitForJob(int id, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        for (const Job &job : allJobs()) {
            if (job.id == id && job.state >= IPP_JSTATE_CANCELED)
                return job.state;
        }
        if (timer.elapsed() > timeoutMs)
            return IPP_JSTATE_PENDING;
        QThread::msleep(50);
    }
}

// The PDF cups-pdf wrote for a job: "<title>-job_<id>.pdf" in its output
// folder. That folder is shared with other runs, whose job ids repeat, so the
// title (which holds the unique temporary file name) must match as well.
inline QString pdfOfJob(const Job &job)
{
    const QDir folder(qEnvironmentVariable("TABVALE_CUPS_PDF_DIR"));
    const QString stem = job.title.section('.', 0, 0);
    const QStringList names = folder.entryList({QStringLiteral("*-job_%1.pdf").arg(job.id)}, QDir::Files);
    for (const QString &name : names) {
        if (name.startsWith(stem))
            return folder.filePath(name);
    }
    return {};
}

inline QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace cupstest
