#pragma once

#include "export/row_source.h"

#include "app/app_error.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <optional>
#include <utility>

// A small grid held in memory: captions, rows of cells (nullopt for NULL),
// the numeric columns, and cells that fail when read, as a grid whose cell
// cannot be read would.
class MemoryGrid : public CellTextSource {
public:
    using Cell = std::optional<QString>;

    MemoryGrid(QStringList captions, QList<QList<Cell>> rows, QSet<int> numericColumns = {})
        : captions_(std::move(captions)), rows_(std::move(rows)), numeric_(std::move(numericColumns)) {}

    void failAt(qint64 row, int column) { failing_.insert({row, column}); }

    int columnCount() const override { return int(captions_.size()); }
    QString caption(int column) const override { return captions_.at(column); }
    qint64 rowCount() const override { return rows_.size(); }
    bool isNumericColumn(int column) const override { return numeric_.contains(column); }
    QString cellText(qint64 row, int column) const override
    {
        if (failing_.contains({row, column}))
            throw AppError(QStringLiteral("Cell %1,%2 cannot be read").arg(row).arg(column));
        return rows_.at(row).at(column).value_or(QString());
    }

private:
    QStringList captions_;
    QList<QList<Cell>> rows_;
    QSet<int> numeric_;
    QSet<std::pair<qint64, int>> failing_;
};
