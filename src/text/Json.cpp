#include "text/Json.h"

#include <cstdio>

namespace vinculor::json {

namespace {

bool continuation(std::string_view s, std::size_t at, unsigned char low = 0x80, unsigned char high = 0xBF) {
    if (at >= s.size()) {
        return false;
    }
    const auto b = static_cast<unsigned char>(s[at]);
    return b >= low && b <= high;
}

// The length of the well-formed UTF-8 sequence at `pos` (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t sequenceLength(std::string_view s, std::size_t pos) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b >= 0xC2 && b <= 0xDF) {
        return continuation(s, pos + 1) ? 2 : 0;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        const unsigned char low = b == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = b == 0xED ? 0x9F : 0xBF;
        return continuation(s, pos + 1, low, high) && continuation(s, pos + 2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const unsigned char low = b == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b == 0xF4 ? 0x8F : 0xBF;
        return continuation(s, pos + 1, low, high) && continuation(s, pos + 2) && continuation(s, pos + 3)
                   ? 4
                   : 0;
    }
    return 0;
}

} // namespace

std::string quote(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c));
                out += buffer;
            } else if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else if (const std::size_t length = sequenceLength(utf8, i); length > 0) {
                out.append(utf8.substr(i, length));
                i += length - 1;
            } else {
                // A byte that is not UTF-8 (a path on a system that does not
                // use it): JSON text must be UTF-8, so it shows as U+FFFD.
                out += "\\ufffd";
            }
        }
    }
    out += '"';
    return out;
}

} // namespace vinculor::json
