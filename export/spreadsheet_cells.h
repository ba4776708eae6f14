#pragma once

#include <QByteArray>
#include <optional>

// The value of a numeric column's cell text when it is a plain decimal number
// that a spreadsheet number holds exactly (at most 15 significant digits, no
// leading zeros); otherwise none, and the text is kept as text.
std::optional<double> plainNumber(const QByteArray &utf8);

// A column width fitted to the longest line of the texts measured, in
// characters, within sensible bounds.
class ColumnWidth {
public:
    void measure(const QByteArray &utf8);
    double width() const;

    static constexpr double minimum = 4.0;
    static constexpr double maximum = 80.0;

private:
    qsizetype longest_ = 0;
};
