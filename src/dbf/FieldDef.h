#pragma once

#include <string>

namespace vinculor {

// The kinds of field the program creates. Reading accepts more (DbfType).
enum class FieldType { Character, Boolean, Integer, Float };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Character;
    int width = 0; // character fields only: 1 to 254
};

// The one kind of index the program makes: one tag on one field, ascending,
// not unique, kept in the table's production index file (.MDX).
struct IndexDef {
    std::string tag;
    std::string field;
};

} // namespace vinculor
