#include "editor/record_fields.h"

#include <QRegularExpression>

namespace {

// Past this a value no longer reads on one line.
constexpr int longLineLength = 100;

// Large-object text types. PostgreSQL's and SQLite's text is the everyday
// string type, long only when its value is.
bool isLongTextType(const db::ColumnInfo &column)
{
    static const QRegularExpression longType(QStringLiteral("^(clob|nclob|long|ntext|mediumtext|longtext)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return longType.match(column.typeName.trimmed()).hasMatch();
}

} // namespace

FieldEditor fieldEditorFor(const db::ColumnInfo &column, const QString &value)
{
    if (!column.editable)
        return FieldEditor::ReadOnly;
    switch (column.kind) {
    case db::ColumnKind::Integer:
        return FieldEditor::Integer;
    case db::ColumnKind::Decimal:
        return FieldEditor::Decimal;
    case db::ColumnKind::Floating:
        return FieldEditor::Floating;
    case db::ColumnKind::Date:
        return FieldEditor::Date;
    case db::ColumnKind::Time:
        return FieldEditor::Time;
    case db::ColumnKind::Timestamp:
        return FieldEditor::Timestamp;
    case db::ColumnKind::Boolean:
        return FieldEditor::Boolean;
    case db::ColumnKind::Binary:
        return FieldEditor::Binary;
    default:
        break;
    }
    if (isLongTextType(column) || value.size() > longLineLength || value.contains(u'\n') || value.contains(u'\r'))
        return FieldEditor::LongText;
    return FieldEditor::Line;
}

QString numberRefusal(const db::ColumnInfo &column, const QString &text)
{
    const QString value = text.trimmed();
    if (value.isEmpty())
        return {};
    switch (column.kind) {
    case db::ColumnKind::Integer: {
        static const QRegularExpression integer(QStringLiteral("^[+-]?([0-9]+)$"));
        const auto match = integer.match(value);
        if (!match.hasMatch())
            return QStringLiteral("%1 holds whole numbers only: digits, with a sign in front if need be.")
                .arg(column.name);
        return {};
    }
    case db::ColumnKind::Decimal: {
        static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]*)(?:\\.([0-9]*))?$"));
        const auto match = decimal.match(value);
        if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty()))
            return QStringLiteral("%1 holds numbers only: digits, a sign in front and a point before the decimals.")
                .arg(column.name);
        // A decimal with scale 0 and no known precision says nothing of what
        // it holds (an unconstrained NUMBER or numeric).
        if (column.size <= 0 || (column.decimalDigits <= 0 && column.size >= 38))
            return {};
        QString whole = match.captured(1);
        while (whole.size() > 1 && whole.startsWith(u'0'))
            whole.remove(0, 1);
        if (whole == QLatin1String("0"))
            whole.clear();
        QString fraction = match.captured(2);
        while (fraction.endsWith(u'0'))
            fraction.chop(1);
        if (fraction.size() > column.decimalDigits)
            return column.decimalDigits == 0
                ? QStringLiteral("%1 holds no decimals.").arg(column.name)
                : QStringLiteral("%1 holds at most %2 decimals.").arg(column.name).arg(column.decimalDigits);
        const qint64 wholeDigits = column.size - column.decimalDigits;
        if (whole.size() > wholeDigits)
            return QStringLiteral("%1 holds at most %2 digits before the point.").arg(column.name).arg(wholeDigits);
        return {};
    }
    case db::ColumnKind::Floating: {
        bool ok = false;
        value.toDouble(&ok);
        static const QRegularExpression special(QStringLiteral("^[+-]?(inf|infinity|nan)$"),
                                                QRegularExpression::CaseInsensitiveOption);
        if (!ok && !special.match(value).hasMatch())
            return QStringLiteral("%1 holds numbers only, such as 1.5 or -2.5e10.").arg(column.name);
        return {};
    }
    default:
        return {};
    }
}

std::optional<bool> booleanOf(const QString &text)
{
    const QString value = text.trimmed().toLower();
    if (value == QLatin1String("1") || value == QLatin1String("t") || value == QLatin1String("true"))
        return true;
    if (value == QLatin1String("0") || value == QLatin1String("f") || value == QLatin1String("false"))
        return false;
    return std::nullopt;
}

QString readOnlyFieldReason(const db::ColumnInfo &column)
{
    if (!column.readOnlyReason.isEmpty())
        return column.readOnlyReason;
    return QStringLiteral("This column cannot be changed here.");
}
