#include "export/printers.h"

#include "app/message_box.h"
#include "export/cups_destinations.h"

#include <QFile>
#include <QStringList>
#include <pwd.h>
#include <unistd.h>

namespace {

void reportDefaultPrinterError(int number, const QString &description)
{
    const QStringList lines{
        QStringLiteral("Error No: ") + QString::number(number),
        description,
        QStringLiteral("Has occured in ") + QStringLiteral("modPrinters.GetDefaultPrinter"),
        QStringLiteral("Please contact Technical Support"),
    };
    msgbox::show(lines.join(QLatin1String("\r\n")));
}

bool makeDefault(const QString &name)
{
    if (name.isEmpty())
        return false;
    CupsDestinations destinations;
    cups_dest_t *wanted = destinations.findByName(name);
    if (!wanted)
        return false;
    for (int i = 0; i < destinations.count(); ++i)
        destinations.at(i).is_default = 0;
    wanted->is_default = 1;
    return destinations.saveAsUserOptions();
}

} // namespace

QString GetDefaultPrinter()
{
    CupsDestinations destinations;
    if (const cups_dest_t *dest = destinations.defaultDestination())
        return printerName(*dest);

    if (destinations.lastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        reportDefaultPrinterError(destinations.lastError(), destinations.lastErrorText());
    } else {
        // CUPS answered but names no default: its error text would be stale.
        reportDefaultPrinterError(IPP_STATUS_ERROR_NOT_FOUND,
                                  QStringLiteral("No default printer is set."));
    }
    return {};
}

bool SetDefaultPrinter(const QString &printerName, bool showError)
{
    bool done = false;
    try {
        done = makeDefault(printerName);
    } catch (...) {
        // Setting the default reports by its result only.
        done = false;
    }
    if (!done && showError)
        msgbox::show(QStringLiteral("Cannot set printer."));
    return done;
}

bool userChoseDefaultPrinter()
{
    // The file libcups reads for this user: HOME's, else the passwd entry's.
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        if (const passwd *entry = ::getpwuid(::getuid()))
            home = entry->pw_dir;
    }
    QFile options(QFile::decodeName(home) + QStringLiteral("/.cups/lpoptions"));
    if (home.isEmpty() || !options.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // Lines read "Default name[/instance] options", the keyword in any case.
    while (!options.atEnd()) {
        const QList<QByteArray> words = options.readLine().simplified().split(' ');
        if (words.size() >= 2 && words[0].compare("Default", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool clearUserDefaultPrinter()
{
    try {
        CupsDestinations destinations;
        if (destinations.schedulerUnreachable())
            return false;
        for (int i = 0; i < destinations.count(); ++i)
            destinations.at(i).is_default = 0;
        return destinations.saveAsUserOptions();
    } catch (...) {
        return false;
    }
}
