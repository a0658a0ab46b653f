#pragma once

#include "dbf/FieldInfo.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// The date written into a table or index header: year, month, day.
struct DbfDate {
    int year = 2000;
    int month = 1;
    int day = 1;

    static DbfDate today();
};

// The fixed header and field list at the start of a .DBF file, at dBase level
// 3, 4 or 7.
//
// Level 7: a 68-byte header (language driver name at bytes 32-63), then one
// 48-byte descriptor per field (name of up to 31 characters), then 0x0D.
// Levels 3 and 4: a 32-byte header (language driver id at byte 29), then
// 32-byte descriptors (name of up to 10 characters), then 0x0D.
// Header integers are little-endian.
class DbfHeader {
public:
    int level = 7;
    std::uint8_t version = 0x04;
    int codePage = 1252;
    std::size_t headerLength = 0;
    std::size_t recordLength = 0;
    std::size_t recordCount = 0;
    bool productionIndex = false;
    std::vector<FieldInfo> fields;

    // Reads and checks the header of a whole file image. Everything used later
    // is validated here, so that no field or record can be read out of bounds:
    // a damaged file, or one that is not a table, gives an error naming the
    // table and the file.
    // `start` is the file's first bytes: all of the header, at least the first
    // 65,535 bytes of a longer file.
    static DbfHeader parse(std::string_view start, std::uint64_t fileSize, std::string_view tableName,
                           const std::filesystem::path& path);

    // The header bytes of a new level-7 table with these fields (types C, L,
    // I, N with their widths and decimals), code page 1252 and no records.
    static std::string buildLevel7(const std::vector<FieldInfo>& fields, bool productionIndex);

    // Updates the date, the record count and the production index flag of
    // header bytes made by parse() or buildLevel7().
    static void stamp(std::string& headerBytes, const DbfDate& date, std::size_t recordCount,
                      bool productionIndex);
};

} // namespace vinculor
