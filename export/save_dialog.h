#pragma once

#include <QString>
#include <functional>

class QWidget;

// The save dialog of the exports, behind a replaceable function so that tests
// can answer it. Returns the chosen file name, or an empty text on cancel.
QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &startName);

using SaveDialogHandler = std::function<QString(QWidget *parent, const QString &title,
                                                const QString &filter, const QString &startName)>;

// Installs a handler in place of the real dialog; an empty handler restores the
// real one. Returns the handler that was installed before.
SaveDialogHandler setSaveDialogHandler(SaveDialogHandler handler);
