#include "editor/ui/open_progress.h"

#include "app/seams.h"

#include <QApplication>
#include <functional>

namespace {
int defaultDelayMs = 1000;
} // namespace

void OpenProgress::setDefaultDelay(int delayMs)
{
    defaultDelayMs = delayMs;
}

OpenProgress::OpenProgress(QWidget *window, int delayMs)
    : window_(window), delayMs_(delayMs < 0 ? defaultDelayMs : delayMs)
{
    clock_.start();
}

OpenProgress::~OpenProgress() = default;

db::TableSnapshot::Progress OpenProgress::callback()
{
    return [this](qint64 rowsFetched) { return update(rowsFetched); };
}

bool OpenProgress::update(qint64 rowsFetched)
{
    if (!dialog_ && clock_.elapsed() >= delayMs_) {
        dialog_ = std::make_unique<QProgressDialog>(window_);
        dialog_->setWindowTitle(QStringLiteral("Tabvale Software"));
        dialog_->setRange(0, 0);
        dialog_->setMinimumDuration(0);
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->show();
    }
    if (dialog_) {
        dialog_->setLabelText(QStringLiteral("Reading the table: %L1 rows so far").arg(rowsFetched));
        QApplication::processEvents();
    }
    if (const auto &observer = seams::current().progressReported)
        observer(dialog_.get());
    return !(dialog_ && dialog_->wasCanceled());
}
