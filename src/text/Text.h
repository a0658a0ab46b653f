#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text helpers shared by every step. Inside the program text is UTF-8; the
// tables hold code page 1252. A "character" below is one Unicode code point,
// which is one byte once the text is in the tables.
namespace vinculor::text {

// The text without the characters of code 32 or less at either end: a view
// into `s`. Inline, as the steps read every attribute through it.
inline std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) {
        s.remove_prefix(1);
    }
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) {
        s.remove_suffix(1);
    }
    return s;
}
// The same, as a text of its own.
std::string trim(std::string_view s);

// Number of characters (code points) of a UTF-8 text.
std::size_t length(std::string_view utf8);
// The first n characters (all of them when the text is shorter).
std::string left(std::string_view utf8, std::size_t n);
// The last n characters (all of them when the text is shorter).
std::string right(std::string_view utf8, std::size_t n);
// Up to `count` characters from the 1-based character position `start`.
std::string mid(std::string_view utf8, std::size_t start, std::size_t count);

// Code page 1252 <-> UTF-8. A character that 1252 lacks becomes '?'; an
// invalid UTF-8 sequence does too.
std::string utf8ToCp1252(std::string_view utf8);
// The same into `out`, stopping after `capacity` characters; returns the number
// of bytes written.
std::size_t utf8ToCp1252(std::string_view utf8, char* out, std::size_t capacity);
std::string cp1252ToUtf8(std::string_view bytes);
// The first character of a UTF-8 text that 1252 lacks, as its bytes in the
// text; empty when 1252 holds every one.
std::string_view firstOutsideCp1252(std::string_view utf8);
// ISO-8859-1 bytes to UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

// UTF-8 <-> UTF-16 bytes, little- or big-endian. utf8ToUtf16 puts a byte order
// mark first when asked; utf16ToUtf8 leaves one it finds, as U+FEFF. An unpaired
// surrogate, or an odd last byte, becomes U+FFFD.
std::string utf8ToUtf16(std::string_view utf8, bool bigEndian, bool byteOrderMark);
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// True when the text is well-formed UTF-8; otherwise `badOffset` is the offset
// of the first bad byte.
bool isValidUtf8(std::string_view s, std::size_t* badOffset = nullptr);

// Decodes one code point at `pos` and advances `pos`; an invalid sequence
// gives U+FFFD and advances by one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& pos);
void appendUtf8(std::string& out, char32_t cp);

// Case folding as a Spanish user expects it: 'Ñ' and 'ñ', 'Á' and 'á' are the
// same letter; 'a' and 'á' are not.
std::string foldCase(std::string_view utf8);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Plain decimal text, no leading zeros or blanks.
std::string formatInteger(std::int64_t value);
// The shortest plain decimal text that reads back as exactly the value, with
// a point as the decimal separator and never an exponent; whole numbers
// without decimals ("3", "2.5", "-0.125", "0.30000000000000004"). Not a
// number and the infinities give "nan", "inf" and "-inf".
std::string formatDecimal(double value);

// Whole number in decimal; anything else gives the error
// "'%s' is not a valid integer value".
std::int32_t parseInteger(std::string_view s);
// Decimal number with a comma or a point as the decimal separator; anything
// else gives the error "'%s' is not a valid floating point value".
double parseDecimal(std::string_view s);

} // namespace vinculor::text
