#include "export/save_dialog.h"

#include "app/seams.h"

#include <QDir>
#include <QFileDialog>

namespace {

SaveDialogHandler &currentHandler()
{
    return seams::current().saveDialog;
}

} // namespace

QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &startName)
{
    if (const SaveDialogHandler &handler = currentHandler())
        return handler(parent, title, filter, startName);
    // Before anything was chosen the dialog opens in the user's home folder,
    // not wherever the program happened to be started.
    return QFileDialog::getSaveFileName(parent, title, startName.isEmpty() ? QDir::homePath() : startName,
                                        filter);
}

SaveDialogHandler setSaveDialogHandler(SaveDialogHandler handler)
{
    SaveDialogHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}
