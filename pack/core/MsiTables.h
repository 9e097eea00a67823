#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Bytes.h"
#include "CompoundFile.h"
#include "StringPool.h"

namespace pack {

// One table of an installer package, read from its stream: column by column,
// every row's value of the first column, then of the second, and so on.
// Integers are stored with their sign bit flipped, 0 meaning null; texts as
// numbers in the string pool. Texts are views of the pool: a string that many
// rows name is held once.
class MsiTable {
public:
    struct Column {
        std::string_view name;
        uint16_t type = 0;
        size_t width = 0;   // bytes of one value
        size_t start = 0;   // where the column's values begin in the stream
    };

    MsiTable(std::vector<Column> columns, Bytes stream, const StringPool& strings);

    size_t rowCount() const { return rows; }
    // The column of that name; throws DamagedPackage when the table has none.
    size_t column(std::string_view name) const;
    // Throws DamagedPackage when the column holds no integers; nullInteger for null.
    int32_t integer(size_t row, size_t column) const;
    // The text's number in the string pool; throws DamagedPackage when the column holds no text.
    uint32_t textId(size_t row, size_t column) const;
    // The text's bytes in the package's code page.
    std::string_view text(size_t row, size_t column) const { return strings.bytes(textId(row, column)); }

private:
    uint32_t value(size_t row, size_t column) const;

    std::vector<Column> columns;
    Bytes stream;
    const StringPool& strings;
    size_t rows = 0;
};

// The tables of a package: _Tables names them, _Columns describes their columns.
class MsiTables {
public:
    // Throws DamagedPackage.
    MsiTables(const CompoundFile& file, const StringPool& strings);

    bool has(std::string_view table) const;
    // Throws DamagedPackage; a table without rows may have no stream.
    MsiTable read(std::string_view table) const;

private:
    const CompoundFile& file;
    const StringPool& strings;
    MsiTable names;        // _Tables
    MsiTable described;    // _Columns
};

// The streams of a package by the names the installer gives them.
const CompoundFile::Stream* findStream(const CompoundFile& file, bool isTable, std::u16string_view name);

} // namespace pack
