#include "xml/XmlEncoding.h"

#include "text/Text.h"

#include <unordered_map>

namespace vinculor {

namespace {

std::string asciiLower(std::string_view s) {
    std::string out(text::trim(s));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return out;
}

// Bytes 0x80 to 0x9F of windows-1252; -1 where it defines none.
constexpr int kWindows1252High[32] = {0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, -1,     0x017D, -1,
                                      -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178};

std::array<int, 256> makeTable(XmlEncoding encoding) {
    std::array<int, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[static_cast<std::size_t>(b)] = encoding == XmlEncoding::UsAscii && b >= 0x80 ? -1 : b;
    }
    if (encoding == XmlEncoding::Windows1252) {
        for (int b = 0x80; b < 0xA0; ++b) {
            table[static_cast<std::size_t>(b)] = kWindows1252High[b - 0x80];
        }
    }
    if (encoding == XmlEncoding::Latin9) {
        // ISO-8859-15: ISO-8859-1 with eight characters replaced, the euro sign among them.
        const std::pair<int, int> changed[] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161},
                                               {0xB4, 0x017D}, {0xB8, 0x017E}, {0xBC, 0x0152},
                                               {0xBD, 0x0153}, {0xBE, 0x0178}};
        for (const auto& [b, c] : changed) {
            table[static_cast<std::size_t>(b)] = c;
        }
    }
    return table;
}

// Character -> byte for the characters above 0x7F of a single-byte encoding.
std::unordered_map<char32_t, char> reverseTable(XmlEncoding encoding) {
    std::unordered_map<char32_t, char> reverse;
    const std::array<int, 256>& table = singleByteTable(encoding);
    for (int b = 0x80; b < 256; ++b) {
        if (table[static_cast<std::size_t>(b)] >= 0) {
            reverse.emplace(static_cast<char32_t>(table[static_cast<std::size_t>(b)]), static_cast<char>(b));
        }
    }
    return reverse;
}

std::string toSingleByte(std::string_view utf8, XmlEncoding encoding) {
    static const std::unordered_map<char32_t, char> latin1 = reverseTable(XmlEncoding::Latin1);
    static const std::unordered_map<char32_t, char> windows1252 = reverseTable(XmlEncoding::Windows1252);
    static const std::unordered_map<char32_t, char> latin9 = reverseTable(XmlEncoding::Latin9);
    static const std::unordered_map<char32_t, char> none;
    const std::unordered_map<char32_t, char>& reverse = encoding == XmlEncoding::Latin1        ? latin1
                                                        : encoding == XmlEncoding::Windows1252 ? windows1252
                                                        : encoding == XmlEncoding::Latin9      ? latin9
                                                                                               : none;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        const char32_t cp = text::decodeUtf8(utf8, pos);
        if (const auto it = reverse.find(cp); it != reverse.end()) {
            out += it->second;
        } else {
            out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
        }
    }
    return out;
}

} // namespace

XmlEncoding xmlEncodingFromName(std::string_view name) {
    const std::string n = asciiLower(name);
    if (n.empty() || n == "utf-8" || n == "utf8") {
        return XmlEncoding::Utf8;
    }
    if (n == "us-ascii" || n == "ascii") {
        return XmlEncoding::UsAscii;
    }
    if (n == "iso-8859-1" || n == "iso8859-1" || n == "iso_8859-1" || n == "latin1" || n == "latin-1" ||
        n == "l1" || n == "cp819" || n == "ibm819") {
        return XmlEncoding::Latin1;
    }
    if (n == "windows-1252" || n == "cp1252" || n == "x-cp1252") {
        return XmlEncoding::Windows1252;
    }
    if (n == "iso-8859-15" || n == "iso8859-15" || n == "iso_8859-15" || n == "latin-9" || n == "latin9" ||
        n == "l9") {
        return XmlEncoding::Latin9;
    }
    if (n == "utf-16" || n == "utf-16le" || n == "ucs-2") {
        return XmlEncoding::Utf16LE;
    }
    if (n == "utf-16be") {
        return XmlEncoding::Utf16BE;
    }
    return XmlEncoding::Unsupported;
}

const std::array<int, 256>& singleByteTable(XmlEncoding encoding) {
    static const std::array<int, 256> ascii = makeTable(XmlEncoding::UsAscii);
    static const std::array<int, 256> latin1 = makeTable(XmlEncoding::Latin1);
    static const std::array<int, 256> windows1252 = makeTable(XmlEncoding::Windows1252);
    static const std::array<int, 256> latin9 = makeTable(XmlEncoding::Latin9);
    switch (encoding) {
    case XmlEncoding::UsAscii:
        return ascii;
    case XmlEncoding::Windows1252:
        return windows1252;
    case XmlEncoding::Latin9:
        return latin9;
    default:
        return latin1;
    }
}

std::string encodeXmlText(std::string_view utf8, XmlEncoding encoding, bool start) {
    switch (encoding) {
    case XmlEncoding::UsAscii:
    case XmlEncoding::Latin1:
    case XmlEncoding::Windows1252:
    case XmlEncoding::Latin9:
        return toSingleByte(utf8, encoding);
    case XmlEncoding::Utf16LE:
        return text::utf8ToUtf16(utf8, false, start);
    case XmlEncoding::Utf16BE:
        return text::utf8ToUtf16(utf8, true, start);
    default:
        return std::string(utf8);
    }
}

} // namespace vinculor
