#pragma once

#include "dbf/DbfHeader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// The production index file (.MDX) of a level-7 table, with one ascending,
// not unique tag on a numeric field, written whole from the table's records.
//
// Layout (512-byte pages, space handed out in 1024-byte blocks):
//   pages 0-3   file header and tag table
//   pages 4-5   the tag's header (root page, key length, expression)
//   pages 6-7   an unused block
//   page 8 on   the B-tree: leaves first, then each inner level, the root last
// The unused block is where TDbf puts the first root of a new tag before it
// fills the tag from the records; keeping it makes our files lay out exactly
// like TDbf's, so that the two can be compared byte for byte. Readers follow
// the root pointer and never look at it.
//
// Keys are the 12-byte packed-decimal numeric keys of dBase IV: byte 0 is
// 0x34 plus the number of digits before the decimal point, byte 1 is
// 8 * ceil(digits / 2) + 1 (plus 0x80 when negative), then the significant
// digits two to a byte. A leaf holds up to 63 entries (record number, key) in
// key order, equal keys by record number; an inner node holds up to 62 keys,
// each the largest key below its child, and one more child pointer after them.
class MdxIndex {
public:
    using Key = std::array<std::uint8_t, 12>;

    struct Entry {
        double value = 0;         // orders the entries
        std::uint32_t record = 0; // 1-based, physical position in the .DBF
        Key key{};
    };

    struct Tag {
        std::string name;       // e.g. "NSES"
        std::string expression; // the indexed field's name
        char keyType = 'N';
    };

    // The key of a number written in plain decimal ("-12", "2.50000000"); text
    // that is not a number gives the key of 0, as an empty field does.
    static Key numericKey(std::string_view decimalText);

    // The whole file for one numeric tag over these entries (any order).
    static std::string build(std::string_view tableName, const Tag& tag, std::vector<Entry> entries,
                             const DbfDate& date);

    // The tags of an existing file, when it is an index this store can rebuild:
    // exactly one ascending, not unique tag with numeric keys of 12 bytes and a
    // plain field name as its expression. Nothing for anything else.
    static std::optional<Tag> readRebuildableTag(std::string_view image);

    // Walks the B-tree of the file's first tag from the root, leaves left to
    // right, and gives the record numbers in index order. Throws when the tree
    // is damaged (a page out of the file, a loop, too many entries).
    static std::vector<std::uint32_t> walk(std::string_view image);
};

} // namespace vinculor
