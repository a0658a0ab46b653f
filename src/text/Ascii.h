#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// ASCII letter case, for the names that files, tables, fields and settings
// keys are matched by. Bytes outside A-Z and a-z stay as they are; Spanish
// letter case is foldCase's (Text.h).
namespace vinculor::text {

constexpr char upperAscii(char c) noexcept {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char lowerAscii(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = upperAscii(c);
    }
    return out;
}

inline std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = lowerAscii(c);
    }
    return out;
}

// Equal but for ASCII letter case, without making a copy of either text.
constexpr bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

constexpr bool isAsciiLetter(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A letter, digit or underscore: what field, index and key names are made of.
constexpr bool isNameChar(char c) noexcept {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

// Whether every byte is below 0x80, eight bytes at a time.
inline bool isAscii(std::string_view s) noexcept {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        high |= word;
    }
    for (; i < s.size(); ++i) {
        high |= static_cast<unsigned char>(s[i]);
    }
    return (high & kHighBits) == 0;
}

} // namespace vinculor::text
