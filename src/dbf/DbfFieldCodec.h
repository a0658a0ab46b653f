#pragma once

#include "dbf/FieldInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vinculor {

// Reads and writes one field's bytes inside a record, for every field type the
// table store reads. `field` points at the field's first byte (record + offset)
// and holds exactly `info.width` bytes. Text is UTF-8 on this side and code
// page 1252 in the bytes.
//
// Encodings (binary ones big-endian):
//   C  text, blank padded          N, F  number as right-aligned text
//   L  T / F, blank when unset      D     YYYYMMDD
//   I, +  value XOR 0x80000000; four zero bytes are null
//   O  IEEE double, sign bit inverted when >= 0, all bits inverted when < 0;
//      eight zero bytes are null
//   @  IEEE double of milliseconds since 0001-01-01 (day 1); zero is null
class DbfFieldCodec {
public:
    // The value as text: trailing blanks removed, numbers in plain decimal
    // (integral ones without decimals), "" for an empty or null field,
    // "T" / "F" for a logical field, "YYYY-MM-DD HH:MM:SS" for a timestamp.
    static std::string text(const FieldInfo& info, const char* field);
    // Whole numbers: a numeric field rounded to the nearest integer, an empty
    // one as 0; other fields by their text. Throws "'x' is not a valid integer value".
    static std::int32_t toInt(const FieldInfo& info, const char* field);
    // Same for floating point; throws "'x' is not a valid floating point value".
    static double toDouble(const FieldInfo& info, const char* field);
    // The field's number for ordering an index: 0 when empty, null or not a number.
    static double indexValue(const FieldInfo& info, const char* field);

    // Writers. `table` names the table in errors. A value that the field cannot
    // hold throws a Spanish error naming the field and the table.
    static void setText(const FieldInfo& info, char* field, std::string_view utf8, std::string_view table);
    static void setInt(const FieldInfo& info, char* field, std::int32_t value, std::string_view table);
    static void setDouble(const FieldInfo& info, char* field, double value, std::string_view table);
    static void setBool(const FieldInfo& info, char* field, bool value, std::string_view table);
    // The bytes of a field never set: blanks, or zeros for binary types.
    static void clear(const FieldInfo& info, char* field);
};

} // namespace vinculor
