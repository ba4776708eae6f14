#include "app/ui/startup.h"

#include "app/ui/wizard.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt's own message for a missing display names plugins, not the cause.
bool displayAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int runTabvale(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("Tabvale is a desktop program and needs a display, but neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set.\n"
                   "To run it without a screen, start it under a virtual display:\n"
                   "    xvfb-run -a -s '-screen 0 1024x768x24' ./build/tabvale\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabvale"));
    QApplication::setOrganizationName(QStringLiteral("Kestrelon"));
    QApplication::setQuitOnLastWindowClosed(false);

    Wizard wizard;
    wizard.start();
    return QApplication::exec();
}
