#pragma once

#include "db/table_snapshot.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <memory>

class QWidget;

// Progress of a long table open: after about a second a dialog shows the rows
// fetched so far and offers Cancel. Short opens show nothing.
class OpenProgress {
public:
    // delayMs < 0 takes the default delay (about a second).
    explicit OpenProgress(QWidget *window, int delayMs = -1);

    // How long an open runs before the dialog shows; tests shorten it.
    static void setDefaultDelay(int delayMs);
    ~OpenProgress();
    OpenProgress(const OpenProgress &) = delete;
    OpenProgress &operator=(const OpenProgress &) = delete;

    // For TableSnapshot::open: false once the user has pressed Cancel.
    db::TableSnapshot::Progress callback();

    // The dialog, once shown (for tests).
    QProgressDialog *dialog() const { return dialog_.get(); }

private:
    bool update(qint64 rowsFetched);

    QWidget *window_;
    int delayMs_;
    QElapsedTimer clock_;
    std::unique_ptr<QProgressDialog> dialog_;
};
