#include "db/row_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace db {
namespace {

// Large enough that the allocator's bookkeeping vanishes, small enough that
// the unused end of the last chunk does not matter.
constexpr std::size_t chunkSize = 4u << 20;

std::size_t prefixLength(std::uint64_t value)
{
    std::size_t length = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++length;
    }
    return length;
}

unsigned char *writePrefix(unsigned char *out, std::uint64_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<unsigned char>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<unsigned char>(value);
    return out;
}

std::uint64_t readPrefix(const unsigned char *&in)
{
    std::uint64_t value = 0;
    int shift = 0;
    for (;;) {
        const unsigned char byte = *in++;
        value |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return value;
        shift += 7;
    }
}

std::uint64_t prefixValue(const CellBytes &cell)
{
    return cell.isNull ? 0 : std::uint64_t(cell.size) + 1;
}

} // namespace

unsigned char *RowStore::reserve(std::size_t bytes)
{
    if (bytes > freeLeft_) {
        // A row larger than a chunk gets a chunk of its own, so rows never
        // straddle two chunks and the current chunk stays in use.
        if (bytes > chunkSize) {
            chunks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(bytes));
            chunkBytes_ += bytes;
            return chunks_.back().get();
        }
        chunks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(chunkSize));
        chunkBytes_ += chunkSize;
        free_ = chunks_.back().get();
        freeLeft_ = chunkSize;
    }
    unsigned char *out = free_;
    free_ += bytes;
    freeLeft_ -= bytes;
    return out;
}

const unsigned char *RowStore::writeRow(std::span<const CellBytes> cells)
{
    std::size_t bytes = 0;
    for (const CellBytes &cell : cells)
        bytes += prefixLength(prefixValue(cell)) + (cell.isNull ? 0 : std::size_t(cell.size));
    // An empty row (no columns) still needs a distinct address.
    unsigned char *const start = reserve(std::max<std::size_t>(bytes, 1));
    unsigned char *out = start;
    for (const CellBytes &cell : cells) {
        out = writePrefix(out, prefixValue(cell));
        if (!cell.isNull && cell.size > 0) {
            std::memcpy(out, cell.data, std::size_t(cell.size));
            out += cell.size;
        }
    }
    return start;
}

void RowStore::appendRow(std::span<const CellBytes> cells)
{
    rows_.push_back(writeRow(cells));
}

void RowStore::appendRows(const RowStore &other, int columnCount)
{
    for (const unsigned char *row : other.rows_) {
        // A row's cells lie one after another: its length is where the last ends.
        const unsigned char *end = row;
        for (int c = 0; c < columnCount; ++c) {
            const std::uint64_t value = readPrefix(end);
            if (value > 0)
                end += value - 1;
        }
        const std::size_t bytes = std::max<std::size_t>(std::size_t(end - row), 1);
        unsigned char *const start = reserve(bytes);
        std::memcpy(start, row, bytes);
        rows_.push_back(start);
    }
}

void RowStore::replaceRow(qint64 row, std::span<const CellBytes> cells)
{
    rows_.at(std::size_t(row)) = writeRow(cells);
}

void RowStore::insertRow(qint64 position, std::span<const CellBytes> cells)
{
    const unsigned char *row = writeRow(cells);
    rows_.insert(rows_.begin() + std::ptrdiff_t(std::clamp<qint64>(position, 0, rowCount())), row);
}

void RowStore::removeRows(std::span<const qint64> rows)
{
    // One pass over the row pointers, however many rows go.
    std::size_t kept = 0, next = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (next < rows.size() && qint64(i) == rows[next]) {
            ++next;
            continue;
        }
        rows_[kept++] = rows_[i];
    }
    rows_.resize(kept);
}

const unsigned char *RowStore::cellStart(qint64 row, int column) const
{
    const unsigned char *p = rows_[std::size_t(row)];
    for (int c = 0; c < column; ++c) {
        const std::uint64_t value = readPrefix(p);
        if (value > 0)
            p += value - 1;
    }
    return p;
}

bool RowStore::isNull(qint64 row, int column) const
{
    const unsigned char *p = cellStart(row, column);
    return readPrefix(p) == 0;
}

QByteArrayView RowStore::cell(qint64 row, int column) const
{
    const unsigned char *p = cellStart(row, column);
    const std::uint64_t value = readPrefix(p);
    if (value <= 1)
        return {};
    return QByteArrayView(reinterpret_cast<const char *>(p), qsizetype(value - 1));
}

void RowStore::cells(qint64 row, std::span<QByteArrayView> cells) const
{
    const unsigned char *p = rows_[std::size_t(row)];
    for (QByteArrayView &cell : cells) {
        const std::uint64_t value = readPrefix(p);
        if (value <= 1) {
            cell = {};
            continue;
        }
        cell = QByteArrayView(reinterpret_cast<const char *>(p), qsizetype(value - 1));
        p += value - 1;
    }
}

std::size_t RowStore::memoryUsed() const
{
    return chunkBytes_ + rows_.capacity() * sizeof(rows_.front());
}

} // namespace db
