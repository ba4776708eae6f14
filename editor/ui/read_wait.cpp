#include "editor/ui/read_wait.h"

#include "app/ui/kit/wait_dialog.h"
#include "editor/table_model.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

bool waitForRead(QWidget *window, TableModel &model)
{
    if (!model.isReading())
        return true;
    WaitDialog wait(window, QStringLiteral("Reading the table: %L1 rows so far"));
    QEventLoop loop;
    bool gaveUp = false;
    const auto connection = QObject::connect(&model, &TableModel::readingChanged, &loop, [&] {
        if (!model.isReading())
            loop.quit();
    });
    QTimer tick;
    bool inputLetIn = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (!model.isReading()) {
            loop.quit();
            return;
        }
        if (!wait.update(model.tableRowCount())) {
            gaveUp = true;
            loop.quit();
            return;
        }
        // Once the dialog shows, its Cancel must be heard; until then what
        // the user types waits for the windows, as during any short wait.
        if (wait.dialog() && !inputLetIn) {
            inputLetIn = true;
            loop.quit();
        }
    });
    tick.start(50);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (inputLetIn && !gaveUp && model.isReading())
        loop.exec();
    QObject::disconnect(connection);
    return !gaveUp && !model.isReading();
}
