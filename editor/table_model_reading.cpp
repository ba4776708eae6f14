#include "editor/table_model.h"

#include "app/app_error.h"
#include "app/background_call.h"

#include <QPointer>

struct TableModel::ReadPart {
    std::shared_ptr<db::TableSnapshot::MoreRows> rows;
    // Empty when the part was read.
    std::optional<QString> failure;
    quint64 generation = 0;
};

struct TableModel::ReadKeeper {
    std::shared_ptr<db::TableSnapshot> snapshot;
};

bool TableModel::isReading() const
{
    return snapshot_ && snapshot_->isReading();
}

bool TableModel::isIncomplete() const
{
    return snapshot_ && !snapshot_->isComplete();
}

void TableModel::readNextPart()
{
    if (!isReading())
        return;
    // The snapshot outlives the part: it is released only after the worker's
    // calls (see setSnapshot).
    const db::TableSnapshot *snapshot = snapshot_.get();
    auto part = std::make_shared<ReadPart>();
    part->generation = readGeneration_;
    readKeeper_ = std::make_shared<ReadKeeper>();
    readingCall_ = background::worker().post([snapshot, part, keeper = readKeeper_] {
        try {
            part->rows = snapshot->readMore(rowsPerPart);
        } catch (const AppError &error) {
            part->failure = error.description();
        } catch (const std::exception &error) {
            part->failure = QString::fromLocal8Bit(error.what());
        }
    });
    const QPointer<TableModel> self(this);
    const auto deliver = [self, part] {
        QMetaObject::invokeMethod(
            self.data(),
            [self, part] {
                if (self)
                    self->takeReadPart(part);
            },
            Qt::QueuedConnection);
    };
    if (!readingCall_->notifyWhenFinished(deliver))
        deliver();
}

void TableModel::takeReadPart(const std::shared_ptr<ReadPart> &part)
{
    if (!snapshot_ || part->generation != readGeneration_ || !snapshot_->isReading())
        return;
    // A database call of the model is waited for: it may be reading the
    // snapshot on the worker right now.
    if (callsWaiting_ > 0) {
        heldPart_ = part;
        return;
    }
    readingCall_.reset();
    if (!part->failure && part->rows)
        part->failure = db::TableSnapshot::failureOf(*part->rows);
    if (!part->rows) {
        snapshot_->markIncomplete();
        emit readingChanged();
        emit rowRejected(-1, part->failure.value_or(QString()));
        return;
    }
    const qint64 count = db::TableSnapshot::rowsIn(*part->rows);
    const int first = shownRows_;
    if (count > 0)
        beginInsertRows({}, first, first + int(count) - 1);
    snapshot_->keepMoreRows(part->rows);
    if (count > 0) {
        for (qint64 row = first; row < first + count; ++row)
            order_.appendTableRow(row);
        shownRows_ += int(count);
        endInsertRows();
    }
    emit readingChanged();
    // The driver's message, once; the rows read so far stay.
    if (part->failure) {
        emit rowRejected(-1, *part->failure);
        return;
    }
    readNextPart();
}

void TableModel::takeHeldReadPart()
{
    if (!heldPart_ || callsWaiting_ > 0)
        return;
    // After the call's own keep, which runs once its wait has returned.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (callsWaiting_ == 0 && heldPart_)
                takeReadPart(std::exchange(heldPart_, nullptr));
        },
        Qt::QueuedConnection);
}

void TableModel::stopReading()
{
    if (!isReading())
        return;
    ++readGeneration_;
    heldPart_.reset();
    if (readingCall_) {
        readingCall_->cancel();
        // Later calls do not wait for it.
        background::worker().giveUp(readingCall_, background::WhenGivenUp::LeaveBehind);
        readLeftBehind_ = true;
    }
    readingCall_.reset();
    snapshot_->markIncomplete();
    emit readingChanged();
}

bool TableModel::waitForWholeTable()
{
    if (!isReading())
        return true;
    if (!readWait_)
        return false;
    return readWait_() && !isReading();
}

void TableModel::releaseSnapshot()
{
    if (!snapshot_)
        return;
    std::shared_ptr<db::TableSnapshot> released(std::move(snapshot_));
    if (readLeftBehind_ && readKeeper_)
        readKeeper_->snapshot = std::move(released);
    else
        background::worker().releaseAfterWork(std::move(released));
    readKeeper_.reset();
    readLeftBehind_ = false;
}
