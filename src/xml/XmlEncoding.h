#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vinculor {

// The encodings a school's file may use, and in which a document built from it
// is written again.
enum class XmlEncoding { Utf8, Utf16LE, Utf16BE, UsAscii, Latin1, Windows1252, Latin9, Unsupported };

// The encoding an XML declaration names, by its name or a usual alias, in any
// letter case; UTF-8 for an empty name.
XmlEncoding xmlEncodingFromName(std::string_view name);

// The character of each byte of a single-byte encoding (Latin1, Windows1252,
// Latin9, UsAscii); -1 for a byte that the encoding leaves undefined.
const std::array<int, 256>& singleByteTable(XmlEncoding encoding);

// UTF-8 text in the encoding. A character that a single-byte encoding lacks
// becomes a character reference ("&#8364;"); UTF-16 gets a byte order mark when
// `start` is set.
std::string encodeXmlText(std::string_view utf8, XmlEncoding encoding, bool start);

} // namespace vinculor
