#include "app/ui/kit/end_program.h"

#include "app/seams.h"

#include <QApplication>
#include <QWidget>

namespace {
std::function<void()> &endHandler()
{
    return seams::current().endProgram;
}
} // namespace

void endProgram()
{
    if (const auto &handler = endHandler()) {
        handler();
        return;
    }
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

std::function<void()> setEndProgramHandler(std::function<void()> handler)
{
    auto previous = std::move(endHandler());
    endHandler() = std::move(handler);
    return previous;
}
