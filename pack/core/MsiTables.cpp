#include "MsiTables.h"

#include <algorithm>

#include "Platform.h"
#include "StreamName.h"

namespace pack {
namespace {

constexpr uint16_t stringColumn = 0x0800, nullableColumn = 0x1000, validColumn = 0x0100, sizeMask = 0x00FF;

// Streams of binary data are named after the row, so the column holds only a placeholder of 2 bytes.
bool isBinary(uint16_t type) { return (type & ~nullableColumn) == (stringColumn | validColumn); }
bool isText(uint16_t type) { return (type & stringColumn) != 0 && !isBinary(type); }

size_t widthOf(uint16_t type, size_t referenceSize) {
    if (isBinary(type)) {
        return 2;
    }
    if (isText(type)) {
        return referenceSize;
    }
    return (type & sizeMask) == 4 ? 4 : 2;
}

uint32_t readValue(const Bytes& stream, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value |= static_cast<uint32_t>(stream[at + i]) << (8 * i);
    }
    return value;
}

std::u16string wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

Bytes tableStream(const CompoundFile& file, std::string_view table) {
    const CompoundFile::Stream* stream = findStream(file, true, wide(table));
    return stream != nullptr ? file.read(*stream) : Bytes();
}

} // namespace

const CompoundFile::Stream* findStream(const CompoundFile& file, bool isTable, std::u16string_view name) {
    const StreamName wanted{isTable, std::u16string(name)};
    const auto& streams = file.streams();
    const auto found = std::find_if(streams.begin(), streams.end(),
                                    [&](const CompoundFile::Stream& s) { return decodeStreamName(s.name) == wanted; });
    return found != streams.end() ? &*found : nullptr;
}

MsiTable::MsiTable(std::vector<Column> tableColumns, Bytes tableStream, const StringPool& strings)
    : columns(std::move(tableColumns)), stream(std::move(tableStream)), strings(strings) {
    size_t rowSize = 0;
    for (const Column& c : columns) {
        rowSize += c.width;
    }
    if (rowSize == 0) {
        throw DamagedPackage("a table has no columns");
    }
    rows = stream.size() / rowSize;
    size_t start = 0;
    for (Column& c : columns) {
        c.start = start;
        start += c.width * rows;
    }
}

size_t MsiTable::column(std::string_view name) const {
    const auto found = std::find_if(columns.begin(), columns.end(), [name](const Column& c) { return c.name == name; });
    if (found == columns.end()) {
        throw DamagedPackage("a table lacks a column every package has");
    }
    return static_cast<size_t>(found - columns.begin());
}

uint32_t MsiTable::value(size_t row, size_t column) const {
    const Column& c = columns[column];
    return readValue(stream, c.start + row * c.width, c.width);
}

int32_t MsiTable::integer(size_t row, size_t column) const {
    if ((columns[column].type & stringColumn) != 0) {
        throw DamagedPackage("a column that holds numbers in every package holds text");
    }
    const uint32_t stored = value(row, column);
    if (stored == 0) {
        return nullInteger;
    }
    return columns[column].width == 2 ? static_cast<int16_t>(stored ^ 0x8000) : static_cast<int32_t>(stored ^ 0x80000000);
}

uint32_t MsiTable::textId(size_t row, size_t column) const {
    if (!isText(columns[column].type)) {
        throw DamagedPackage("a column that holds text in every package holds numbers");
    }
    return value(row, column);
}

// Both tables stay as stored, and are searched when a table is read: a few
// times for each package.
MsiTables::MsiTables(const CompoundFile& file, const StringPool& strings)
    : file(file), strings(strings),
      names({{"Name", 0x0D40, strings.referenceSize()}}, tableStream(file, "_Tables"), strings),
      // _Columns describes every table but itself: Table, Number, Name, Type.
      described({{"Table", 0x0D40, strings.referenceSize()},
                 {"Number", 0x0502, 2},
                 {"Name", 0x0D40, strings.referenceSize()},
                 {"Type", 0x0502, 2}},
                tableStream(file, "_Columns"), strings) {}

bool MsiTables::has(std::string_view table) const {
    for (size_t row = 0; row < names.rowCount(); ++row) {
        if (names.text(row, 0) == table) {
            return true;
        }
    }
    return false;
}

MsiTable MsiTables::read(std::string_view table) const {
    std::vector<std::pair<int32_t, MsiTable::Column>> numbered;
    for (size_t row = 0; row < described.rowCount(); ++row) {
        if (described.text(row, 0) == table) {
            const auto type = static_cast<uint16_t>(described.integer(row, 3));
            numbered.emplace_back(described.integer(row, 1), MsiTable::Column{described.text(row, 2), type,
                                                                              widthOf(type, strings.referenceSize()), 0});
        }
    }
    if (numbered.empty()) {
        throw DamagedPackage("a table has no columns");
    }
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<MsiTable::Column> columns;
    for (const auto& [number, column] : numbered) {
        columns.push_back(column);
    }
    return MsiTable(std::move(columns), tableStream(file, table), strings);
}

} // namespace pack
