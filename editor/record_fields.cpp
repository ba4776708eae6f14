#include "editor/record_fields.h"

#include <QRegularExpression>
#include <utility>

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


LongTextForm longTextForm(const QString &value)
{
    LongTextForm form;
    for (const auto &[cr, lf] : {std::pair{0x240D, 0x240A}, std::pair{0xF80D, 0xF80A}}) {
        if (!value.contains(QChar(cr)) && !value.contains(QChar(lf))) {
            form.crMark = QChar(cr);
            form.lfMark = QChar(lf);
            break;
        }
    }
    form.exact = !form.crMark.isNull() && !value.contains(QChar::ParagraphSeparator);
    qsizetype crlf = 0, cr = 0, lf = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') {
            ++crlf;
            ++i;
        } else if (value[i] == u'\r') {
            ++cr;
        } else if (value[i] == u'\n') {
            ++lf;
        }
    }
    if (!form.exact) {
        // Nothing can be marked without being mistaken for a mark: shown as
        // it is, the value still comes back whole while it is not changed.
        form.shown = value;
        form.lineBreak = QStringLiteral("\n");
        return form;
    }
    form.lineBreak = crlf > lf && crlf >= cr ? QStringLiteral("\r\n")
                     : cr > lf                ? QStringLiteral("\r")
                                              : QStringLiteral("\n");
    form.shown.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const bool isCrlf = value[i] == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n';
        if (isCrlf && form.lineBreak.size() == 2) {
            form.shown += u'\n';
            ++i;
        } else if (value[i] == u'\r' && !isCrlf && form.lineBreak == u"\r") {
            form.shown += u'\n';
        } else if (value[i] == u'\n' && form.lineBreak == u"\n") {
            form.shown += u'\n';
        } else if (value[i] == u'\r') {
            form.shown += form.crMark;
        } else if (value[i] == u'\n') {
            form.shown += form.lfMark;
        } else {
            form.shown += value[i];
        }
    }
    return form;
}

QString longTextValue(const QString &shown, const LongTextForm &form)
{
    QString value;
    value.reserve(shown.size());
    for (const QChar c : shown) {
        if (c == u'\n' || c == QChar::ParagraphSeparator)
            value += form.lineBreak;
        else if (form.exact && c == form.crMark)
            value += u'\r';
        else if (form.exact && c == form.lfMark)
            value += u'\n';
        else
            value += c;
    }
    return value;
}
