#include "app/message_box.h"

#include "app/app_title.h"

#include <QApplication>
#include <QMessageBox>

namespace msgbox {
namespace {

void showRealBox(const Request &request)
{
    QMessageBox box(request.flags & Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    request.title, displayText(request.text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Handler &currentHandler()
{
    static Handler handler;
    return handler;
}

} // namespace

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void show(const QString &text, int flags, const QString &title)
{
    Request request{text, flags, title.isEmpty() ? appTitle() : title};
    if (const Handler &handler = currentHandler())
        handler(request);
    else
        showRealBox(request);
}

Handler setHandler(Handler handler)
{
    Handler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace msgbox
