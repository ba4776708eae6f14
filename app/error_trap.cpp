#include "app/error_trap.h"

#include "app/message_box.h"

QString ErrorTrap::reportText(const QString &description, const QString &location, int line)
{
    return description + QLatin1String("\r\n") + location + QLatin1String("at line ")
        + QString::number(line) + QLatin1String("\r\r") + QLatin1String("Please email screenshot of this message to ")
        + QLatin1String(supportAddress);
}

void ErrorTrap::report(const QString &description) const
{
    msgbox::show(reportText(description, location_, line_), msgbox::Exclamation,
                 QStringLiteral("Application Error"));
}
