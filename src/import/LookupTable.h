#pragma once

#include "dbf/FirstRecordMap.h"
#include "dbf/Table.h"
#include "import/ShortText.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {
class XmlChildStream;

namespace importing {

// One of the tables that the import looks codes up in, read once, the first
// time a code is looked up: for each text of the key field, the first live
// record that holds it (as Table::locate finds it) with the texts the import
// takes from that record, as UTF-8 and, where there is an output, as it
// writes them (escaped and in the output's encoding).
class LookupTable {
public:
    // A field's text in a record found.
    struct Text {
        std::string_view utf8;
        std::string_view xml;
        bool replaced = false; // a character that XML cannot carry became "?"
    };
    // A record found: `place` is its place among the table's live records, from 0.
    class Row {
    public:
        std::uint32_t place = 0;

    private:
        friend class LookupTable;
        std::uint32_t texts = 0; // the first of its texts in texts_
        ShortText key;           // where its key is short
    };

    // `key` and `values` are field names; the key field must exist once the
    // table is read, a value field only once a record's value is asked for,
    // as with reads by name.
    LookupTable(Table& table, const char* key, std::initializer_list<const char*> values,
                const XmlChildStream* output);

    // The first record whose key field reads as `key`; null where none does.
    const Row* find(std::string_view key) {
        if (key.size() <= ShortText::kMax) {
            return find(ShortText::of(key));
        }
        if (!built_) {
            build();
        }
        const std::uint32_t* row = long_.find(key);
        return row != nullptr ? &rows_[*row] : nullptr;
    }
    const Row* find(const ShortText& key) {
        if (!built_) {
            build();
        }
        const std::uint32_t row = short_[slotOf(key)];
        return row != kNoRow ? &rows_[row] : nullptr;
    }
    // The key of a record found: the text looked up.
    Text key(const Row& row) const { return textOf(texts_[row.texts]); }
    // Value field `i` (in the order given) of a record found.
    Text value(const Row& row, std::size_t i) const {
        if (!present_[i]) [[unlikely]] {
            missing(i);
        }
        return textOf(texts_[row.texts + 1 + i]);
    }

private:
    // A text of a record found, as UTF-8 and, right after it in the arena
    // where it differs (few do), as the output writes it.
    struct Stored {
        std::uint32_t offset = 0;
        std::uint32_t utf8Length = 0;
        std::uint32_t xmlLength : 30 = 0;
        std::uint32_t xmlApart : 1 = 0;
        std::uint32_t replaced : 1 = 0;
    };

    static constexpr std::uint32_t kNoRow = UINT32_MAX;

    // The place of short_ that holds the row of `key`, or the free one where it would go.
    std::size_t slotOf(const ShortText& key) const {
        const std::size_t mask = short_.size() - 1;
        for (std::size_t i = key.hash() & mask;; i = (i + 1) & mask) {
            if (short_[i] == kNoRow || rows_[short_[i]].key == key) {
                return i;
            }
        }
    }
    Text textOf(const Stored& s) const {
        const char* utf8 = arena_.data() + s.offset;
        return {std::string_view(utf8, s.utf8Length),
                std::string_view(utf8 + (s.xmlApart ? s.utf8Length : 0), s.xmlLength), s.replaced != 0};
    }
    void build();
    bool add(std::string_view key, const Row& row); // false where the key is there already
    Stored stored(std::string_view utf8);
    [[noreturn]] void missing(std::size_t i) const;

    Table& table_;
    const char* key_;
    std::vector<const char*> values_;
    std::vector<bool> present_; // per value field
    const XmlChildStream* output_;
    bool built_ = false;
    // The rows with short keys, in one array probed linearly: a power of two
    // of places, at most half of them in use.
    std::vector<std::uint32_t> short_;
    FirstRecordMap long_; // the longer keys -> row
    std::vector<Row> rows_;
    std::vector<Stored> texts_; // per row its key, then its values
    std::string arena_;
};

} // namespace importing
} // namespace vinculor
