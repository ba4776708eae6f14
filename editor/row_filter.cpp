#include "editor/row_filter.h"

#include "db/table_snapshot.h"
#include "editor/cell_search.h"
#include "editor/locale_collation.h"

#include <QCollator>
#include <algorithm>

// Text in the user's locale's order, as sorting puts it: printable ASCII
// without asking the locale, the rest by its collation.
class TextOrder {
public:
    TextOrder() : ascii_(collator_), collation_(collator_.locale()) {}

    int compare(QByteArrayView a, QByteArrayView b) const
    {
        if (ascii_.usable() && AsciiCollation::isPrintableAscii(a) && AsciiCollation::isPrintableAscii(b))
            return ascii_.compare(a, b);
        if (collator_.locale().language() == QLocale::C)
            return compareBytes(a, b);
        if (collation_.usable())
            return collation_.compare(a, b);
        const int c = collator_.compare(QString::fromUtf8(a), QString::fromUtf8(b));
        return (c > 0) - (c < 0);
    }

private:
    QCollator collator_;
    AsciiCollation ascii_;
    LocaleCollation collation_;
};

namespace {

using Form = ColumnCondition::Form;

struct Operator {
    QStringView text;
    Form form;
};

// Longest first, so that ">=" is not read as ">" of "=x".
constexpr Operator operators[] = {
    {u">=", Form::GreaterOrEqual}, {u"<=", Form::LessOrEqual}, {u"<>", Form::NotEqual},
    {u">", Form::Greater},         {u"<", Form::Less},         {u"=", Form::Equal},
};

bool isOrdering(Form form)
{
    return form == Form::Less || form == Form::LessOrEqual || form == Form::Greater || form == Form::GreaterOrEqual;
}

bool isNumber(const QString &text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

} // namespace

ColumnCondition ColumnCondition::parse(const QString &typed, ValueKind kind)
{
    ColumnCondition condition;
    condition.typed_ = typed;
    condition.kind_ = kind;
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty())
        return condition;
    if (trimmed.compare(QLatin1StringView("NULL"), Qt::CaseInsensitive) == 0) {
        condition.form_ = Form::IsNull;
        return condition;
    }
    if (trimmed.simplified().compare(QLatin1StringView("NOT NULL"), Qt::CaseInsensitive) == 0) {
        condition.form_ = Form::NotNull;
        return condition;
    }

    // The operator may follow blanks; what follows "=" and "<>" is taken
    // exactly, as "Filter by This Value" writes a cell's whole text there.
    qsizetype first = 0;
    while (first < typed.size() && typed[first].isSpace())
        ++first;
    const QString leading = typed.sliced(first);
    Form form = Form::Contains;
    QString operand = typed;
    for (const Operator &op : operators) {
        if (leading.startsWith(op.text)) {
            form = op.form;
            operand = leading.sliced(op.text.size());
            break;
        }
    }
    if (isOrdering(form)) {
        operand = operand.trimmed();
        if (operand.isEmpty()) {
            condition.error_ = QStringLiteral("Type a value after the comparison.");
            return condition;
        }
        if (kind == ValueKind::Number && !isNumber(operand)) {
            condition.error_ = QStringLiteral("\"%1\" is not a number; this column holds numbers.").arg(operand);
            return condition;
        }
        if (kind == ValueKind::Time && !secondsOfTimeText(operand.toUtf8())) {
            condition.error_ = QStringLiteral("\"%1\" is not a date or time, such as 2024-01-31 or 2024-01-31 "
                                              "12:00:00; this column holds dates and times.")
                                   .arg(operand);
            return condition;
        }
        if (kind == ValueKind::Text)
            condition.textOrder_ = std::make_shared<TextOrder>();
    }
    if (form == Form::Contains)
        condition.contains_ = std::make_shared<CellMatcher>(CellSearch{operand, false, false});
    condition.form_ = form;
    condition.operand_ = operand;
    condition.utf8_ = operand.toUtf8();
    return condition;
}

bool ColumnCondition::matches(std::optional<QByteArrayView> cell) const
{
    if (form_ == Form::None)
        return true;
    if (form_ == Form::IsNull || form_ == Form::NotNull)
        return bool(cell) == (form_ == Form::NotNull);
    if (!cell)
        return false;
    switch (form_) {
    case Form::Contains:
        return contains_->matches(*cell);
    case Form::Equal:
        return *cell == QByteArrayView(utf8_);
    case Form::NotEqual:
        return *cell != QByteArrayView(utf8_);
    default:
        break;
    }
    int c = 0;
    switch (kind_) {
    case ValueKind::Number:
        c = compareNumberText(*cell, utf8_);
        break;
    case ValueKind::Time:
        c = compareTimeText(*cell, utf8_);
        break;
    case ValueKind::Text:
        c = textOrder_->compare(*cell, utf8_);
        break;
    case ValueKind::Bytes:
        c = compareBytes(*cell, utf8_);
        break;
    }
    switch (form_) {
    case Form::Less:
        return c < 0;
    case Form::LessOrEqual:
        return c <= 0;
    case Form::Greater:
        return c > 0;
    case Form::GreaterOrEqual:
        return c >= 0;
    default:
        return false;
    }
}

bool ColumnCondition::narrows(const ColumnCondition &earlier) const
{
    if (!earlier.isActive())
        return true;
    if (form_ != earlier.form_ || kind_ != earlier.kind_)
        return false;
    if (typed_ == earlier.typed_)
        return true;
    // Typing on: a text holding the earlier one is found only where it was.
    return form_ == Form::Contains && operand_.contains(earlier.operand_, Qt::CaseInsensitive)
        && !earlier.operand_.isEmpty();
}

void RowFilter::set(int column, ColumnCondition condition)
{
    std::erase_if(conditions_, [column](const auto &entry) { return entry.first == column; });
    if (!condition.isActive())
        return;
    const auto at = std::find_if(conditions_.begin(), conditions_.end(),
                                 [column](const auto &entry) { return entry.first > column; });
    conditions_.insert(at, {column, std::move(condition)});
}

bool RowFilter::matches(const db::TableSnapshot &snapshot, qint64 tableRow) const
{
    for (const auto &[column, condition] : conditions_) {
        const QByteArrayView text = snapshot.rawUtf8(tableRow, column);
        std::optional<QByteArrayView> cell;
        if (!text.isEmpty() || !snapshot.isNull(tableRow, column))
            cell = text;
        if (!condition.matches(cell))
            return false;
    }
    return true;
}

bool RowFilter::narrows(const RowFilter &earlier) const
{
    for (const auto &[column, before] : earlier.conditions_) {
        const auto now = std::find_if(conditions_.begin(), conditions_.end(),
                                      [column](const auto &entry) { return entry.first == column; });
        if (now == conditions_.end() || !now->second.narrows(before))
            return false;
    }
    return true;
}
