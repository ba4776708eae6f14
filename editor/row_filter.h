#pragma once

#include "editor/cell_order.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace db {
class TableSnapshot;
}
class CellMatcher;
class TextOrder;

// What one filter box under a column heading asks of that column's cells:
//   text            the cell contains it, case-blind, as Find matches
//   =text  <>text   the cell's text is (is not) exactly that
//   >x >=x <x <=x   the cell compares so with x, in the column's own order
//   NULL  NOT NULL  (any case) the cell is (is not) NULL
// NULL matches only NULL: every other form leaves it out. A condition the
// column cannot hold (">abc" on numbers) is malformed: it says why and
// filters nothing.
class ColumnCondition {
public:
    enum class Form { None, Contains, Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, IsNull, NotNull };

    ColumnCondition() = default;
    static ColumnCondition parse(const QString &typed, ValueKind kind);

    Form form() const { return form_; }
    // Whether it filters anything: not empty and not malformed.
    bool isActive() const { return form_ != Form::None; }
    // Why the typed text is no condition; empty when it is one.
    const QString &error() const { return error_; }
    const QString &typed() const { return typed_; }

    // `cell` is the cell's UTF-8 text, nullopt for NULL.
    bool matches(std::optional<QByteArrayView> cell) const;

    // Whether every cell this condition lets through, `earlier` let through
    // too, so that only the rows `earlier` kept need to be looked at again.
    bool narrows(const ColumnCondition &earlier) const;

private:
    QString typed_;
    ValueKind kind_ = ValueKind::Text;
    Form form_ = Form::None;
    QString operand_;
    QByteArray utf8_;
    QString error_;
    std::shared_ptr<const CellMatcher> contains_;
    std::shared_ptr<const TextOrder> textOrder_;
};

// The conditions of every filter box, all of which a row must meet.
class RowFilter {
public:
    // Replaces the column's condition; an inactive one takes it away.
    void set(int column, ColumnCondition condition);
    bool isEmpty() const { return conditions_.empty(); }
    const std::vector<std::pair<int, ColumnCondition>> &conditions() const { return conditions_; }

    bool matches(const db::TableSnapshot &snapshot, qint64 tableRow) const;
    // Whether this filter keeps only rows that `earlier` kept.
    bool narrows(const RowFilter &earlier) const;

private:
    std::vector<std::pair<int, ColumnCondition>> conditions_; // active ones only, by column
};
