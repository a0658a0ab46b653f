#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vinculor {

// A field's type as a dBase header names it, by its letter.
enum class DbfType : char {
    Character = 'C',
    Numeric = 'N', // number as right-aligned text
    Float = 'F',   // the same, another letter
    Logical = 'L',
    Date = 'D',
    Integer = 'I',       // 32-bit binary
    AutoIncrement = '+', // 32-bit binary
    Double = 'O',        // IEEE double, ordered bytes
    Timestamp = '@',
    Memo = 'M', // memo block numbers, kept as text
    Binary = 'B',
    General = 'G',
};

// The type of that header letter; none for a letter no dBase level uses.
std::optional<DbfType> dbfTypeOf(char letter) noexcept;

// The header letter, as messages and listings show it.
constexpr char letterOf(DbfType type) noexcept {
    return static_cast<char>(type);
}

// True for the types whose value is a number: N, F, I, +, O.
bool isNumeric(DbfType type) noexcept;
// True for the two types that hold a number as text: N, F.
constexpr bool isNumberText(DbfType type) noexcept {
    return type == DbfType::Numeric || type == DbfType::Float;
}
// The one width of a binary type; 0 for the types whose width the table chooses.
int fixedWidth(DbfType type) noexcept;

// A field as found in a table's header.
struct FieldInfo {
    std::string name;
    DbfType type = DbfType::Character;
    int width = 0;
    int decimals = 0;
    int offset = 0;      // from the record's first byte, the deletion flag: the first field is at 1
    int codePage = 1252; // of its stored text: the table's, as its header names it
};

// A field's bytes, from `field`, without the trailing blanks (or zeros) that
// fill it: a character field's text as stored.
inline std::string_view trimmedBlanks(const FieldInfo& f, const char* field) {
    std::size_t n = static_cast<std::size_t>(f.width);
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) {
        --n;
    }
    return std::string_view(field, n);
}

// The same for the field of a record.
inline std::string_view storedText(const FieldInfo& f, const char* record) {
    return trimmedBlanks(f, record + f.offset);
}

} // namespace vinculor
