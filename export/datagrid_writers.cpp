#include "export/datagrid_writers.h"

#include "app/error_trap.h"
#include "app/work_progress.h"
#include "export/private_temp_file.h"
#include "export/streamed_file.h"

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr char crlf[] = "\r\n";

// Runs one statement that appends a piece of the text. A piece whose cell
// cannot be read is left out whole, so that the line stays well-formed.
template <class Append>
void appendPiece(ErrorTrap &trap, int line, QByteArray &text, Append &&append)
{
    const qsizetype mark = text.size();
    trap.step(line, [&] {
        try {
            append();
        } catch (...) {
            text.truncate(mark);
            throw;
        }
    });
}

// A quote inside a field is doubled, so that a CSV reader gives back the
// field as the grid shows it.
void doubleQuotesFrom(QByteArray &text, qsizetype from)
{
    const char *begin = text.constData() + from;
    const char *end = text.constData() + text.size();
    qsizetype quotes = 0;
    for (const char *p = begin; (p = static_cast<const char *>(std::memchr(p, '"', end - p))); ++p)
        ++quotes;
    if (quotes == 0)
        return;
    qsizetype source = text.size();
    text.resize(source + quotes);
    char *data = text.data();
    qsizetype target = text.size();
    while (source > from) {
        const char c = data[--source];
        data[--target] = c;
        if (c == '"')
            data[--target] = '"';
    }
}

// Cell texts may hold the characters that would end or open an element.
void escapeMarkupFrom(QByteArray &text, qsizetype from)
{
    const auto isMarkup = [](char c) { return c == '&' || c == '<' || c == '>'; };
    const char *const data = text.constData();
    qsizetype first = from;
    const qsizetype size = text.size();
    while (first < size && !isMarkup(data[first]))
        ++first;
    if (first == size)
        return;
    QByteArray escaped;
    escaped.reserve((text.size() - first) * 2);
    for (qsizetype i = first; i < text.size(); ++i) {
        switch (const char c = text.at(i)) {
        case '&': escaped.append("&amp;"); break;
        case '<': escaped.append("&lt;"); break;
        case '>': escaped.append("&gt;"); break;
        default: escaped.append(c);
        }
    }
    text.truncate(first);
    text.append(escaped);
}

// Opens the target under the statement that writes the file; a target that
// cannot be written gives one report at that statement and nothing else.
bool openTarget(ErrorTrap &trap, int writeLine, StreamedFile &out)
{
    bool opened = false;
    trap.step(writeLine, [&] {
        out.open();
        opened = true;
    });
    return opened;
}

int readColumnCount(ErrorTrap &trap, int line, const RowSource &grid)
{
    int columns = 0;
    trap.step(line, [&] { columns = grid.columnCount(); });
    return columns;
}

qint64 readRowCount(ErrorTrap &trap, int line, const RowSource &grid)
{
    qint64 rows = 0;
    trap.step(line, [&] { rows = grid.rowCount(); });
    return rows;
}

} // namespace

void SaveDataGridToCSVFile(const RowSource &grid, const QString &fileName)
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Datagrid1.SaveDataGridToCSVFile "));
    StreamedFile out(fileName);
    if (!openTarget(trap, 142, out))
        return;
    QByteArray &s = out.buffer();

    const int columns = readColumnCount(trap, 102, grid);
    // The comma goes before every field but the line's first one written, so
    // a line never loses a character that is not a separator.
    bool lineStarted = false;
    for (int i = 0; i < columns; ++i) {
        appendPiece(trap, 104, s, [&] {
            if (lineStarted)
                s.append(',');
            s.append('"');
            const qsizetype start = s.size();
            s.append(grid.caption(i).toUtf8());
            doubleQuotesFrom(s, start);
            s.append('"');
            lineStarted = true;
        });
    }
    trap.step(112, [&] { s.append(crlf); });

    const qint64 rows = readRowCount(trap, 116, grid);
    RowCells cells;
    for (qint64 row = 0; row < rows && !out.failed(); ++row) {
        if (!workprogress::report(row))
            return; // stopped by the user: the target stays as it was
        grid.read(row, cells);
        lineStarted = false;
        for (int i = 0; i < columns; ++i) {
            appendPiece(trap, 130, s, [&] {
                s.append(lineStarted ? QByteArrayView(",\"") : QByteArrayView("\""));
                const qsizetype start = s.size();
                s.append(cells.utf8(i));
                doubleQuotesFrom(s, start);
                s.append('"');
                lineStarted = true;
            });
        }
        trap.step(138, [&] { s.append(crlf); });
        out.flushIfFull();
    }

    trap.step(142, [&] {
        s.append(crlf);
        out.commit();
    });
}

namespace {

// The tab-separated writer; `targetName` names the file, or makes it, under
// the statement that writes the file, so that its failure is this writer's.
void saveTabSeparated(const RowSource &grid, const std::function<QString()> &targetName)
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Datagrid1.SaveDataGridToFile "));
    std::optional<StreamedFile> target;
    bool opened = false;
    trap.step(134, [&] {
        target.emplace(targetName());
        target->open();
        opened = true;
    });
    if (!opened)
        return;
    StreamedFile &out = *target;
    QByteArray &s = out.buffer();

    const int columns = readColumnCount(trap, 102, grid);
    for (int i = 0; i < columns; ++i) {
        appendPiece(trap, 104, s, [&] {
            s.append(grid.caption(i).toUtf8());
            s.append('\t');
        });
    }
    trap.step(108, [&] { s.append(crlf); });

    const qint64 rows = readRowCount(trap, 112, grid);
    RowCells cells;
    for (qint64 row = 0; row < rows && !out.failed(); ++row) {
        if (!workprogress::report(row))
            return; // stopped by the user: the target stays as it was
        grid.read(row, cells);
        for (int i = 0; i < columns; ++i) {
            appendPiece(trap, 126, s, [&] {
                s.append(cells.utf8(i));
                s.append('\t');
            });
        }
        trap.step(130, [&] { s.append(crlf); });
        out.flushIfFull();
    }

    trap.step(134, [&] {
        s.append(crlf);
        out.commit();
    });
}

} // namespace

void SaveDataGridToFile(const RowSource &grid, const QString &fileName)
{
    saveTabSeparated(grid, [&] { return fileName; });
}

QString writeTabTextToNewTempFile(const RowSource &grid, const QString &nameTemplate)
{
    QString made;
    saveTabSeparated(grid, [&] {
        made = createPrivateTempFile(nameTemplate);
        return made;
    });
    return made;
}

void SaveDataGridToXMLFile(const RowSource &grid, const QString &fileName)
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Datagrid1.SaveDataGridToXMLFile "));
    StreamedFile out(fileName);
    if (!openTarget(trap, 130, out))
        return;
    QByteArray &s = out.buffer();

    trap.step(100, [&] { s.append("<xml>\r\n"); });

    const qint64 rows = readRowCount(trap, 104, grid);
    const int columns = readColumnCount(trap, 118, grid);
    // Tags are made once, as every row repeats them; a caption that cannot be
    // read is tried again, and reported, at each of its cells until it can.
    struct Tags {
        QByteArray open;
        QByteArray close;
    };
    const auto tagsFor = [&](int column) {
        const QByteArray caption = grid.caption(column).toUtf8();
        return Tags{'<' + caption + '>', "</" + caption + ">\r\n"};
    };
    std::vector<std::optional<Tags>> tags(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        try {
            tags[i] = tagsFor(i);
        } catch (const std::exception &) {
        }
    }

    RowCells cells;
    for (qint64 row = 0; row < rows && !out.failed(); ++row) {
        if (!workprogress::report(row))
            return; // stopped by the user: the target stays as it was
        grid.read(row, cells);
        trap.step(106, [&] { s.append("<row>\r\n"); });
        for (int i = 0; i < columns; ++i) {
            appendPiece(trap, 120, s, [&] {
                if (!tags[i])
                    tags[i] = tagsFor(i);
                s.append(tags[i]->open);
                const qsizetype start = s.size();
                s.append(cells.utf8(i));
                escapeMarkupFrom(s, start);
                s.append(tags[i]->close);
            });
        }
        trap.step(124, [&] { s.append("</row>\r\n"); });
        out.flushIfFull();
    }

    trap.step(128, [&] { s.append("</xml>"); });
    trap.step(130, [&] {
        s.append(crlf);
        out.commit();
    });
}

void WriteStringToFile(const QString &text, const QString &fileName)
{
    StreamedFile out(fileName);
    out.open();
    out.buffer().append(text.toUtf8()).append(crlf);
    out.commit();
}
