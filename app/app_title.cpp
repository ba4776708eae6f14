#include "app/app_title.h"

namespace {
const QString productName = QStringLiteral("Tabvale Software");

QString &title()
{
    static QString value = productName;
    return value;
}
} // namespace

const QString &appTitle()
{
    return title();
}

void SetAppTitle()
{
    QString result = productName;
    do {
        const qsizetype lastBlank = result.lastIndexOf(QLatin1Char(' '));
        result.truncate(lastBlank < 0 ? 0 : lastBlank);
    } while (result.size() > 40);
    title() = result;
}

void resetAppTitle()
{
    title() = productName;
}
