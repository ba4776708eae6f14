#include "app/message_box.h"

#include "app/app_title.h"
#include "app/seams.h"

#include <QApplication>
#include <QMessageBox>

namespace msgbox {
namespace {

int showRealBox(const Request &request)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if ((request.flags & Exclamation) == Exclamation)
        icon = QMessageBox::Warning;
    else if (request.flags & Question)
        icon = QMessageBox::Question;
    const bool yesNo = (request.flags & 7) == YesNo;
    QMessageBox box(icon, request.title, displayText(request.text),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (yesNo)
        box.setDefaultButton((request.flags & DefaultButton2) ? QMessageBox::No : QMessageBox::Yes);
    const int pressed = box.exec();
    if (!yesNo)
        return Ok;
    return pressed == QMessageBox::Yes ? Yes : No;
}

Handler &currentHandler()
{
    return seams::current().messageBox;
}

} // namespace

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int show(const QString &text, int flags, const QString &title)
{
    Request request{text, flags, title.isEmpty() ? appTitle() : title};
    if (const Handler &handler = currentHandler())
        return handler(request);
    return showRealBox(request);
}

Handler setHandler(Handler handler)
{
    Handler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace msgbox
