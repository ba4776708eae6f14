#include "export/save_dialog.h"

#include <QFileDialog>

namespace {

SaveDialogHandler &currentHandler()
{
    static SaveDialogHandler handler;
    return handler;
}

} // namespace

QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &startName)
{
    if (const SaveDialogHandler &handler = currentHandler())
        return handler(parent, title, filter, startName);
    return QFileDialog::getSaveFileName(parent, title, startName, filter);
}

SaveDialogHandler setSaveDialogHandler(SaveDialogHandler handler)
{
    SaveDialogHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}
