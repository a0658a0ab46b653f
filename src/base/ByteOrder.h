#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Integers inside the bytes of table and index files: little-endian in their
// headers, big-endian in the binary fields of a record. Callers check that
// the bytes are there.
namespace vinculor::bytes {

inline unsigned byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

inline unsigned le16(std::string_view s, std::size_t i) {
    return byteAt(s, i) | (byteAt(s, i + 1) << 8);
}

inline std::uint32_t le32(std::string_view s, std::size_t i) {
    return byteAt(s, i) | (byteAt(s, i + 1) << 8) | (byteAt(s, i + 2) << 16) |
           (static_cast<std::uint32_t>(byteAt(s, i + 3)) << 24);
}

inline void putLe16(std::string& s, std::size_t i, std::size_t v) {
    s[i] = static_cast<char>(v & 0xFF);
    s[i + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void putLe32(std::string& s, std::size_t i, std::size_t v) {
    for (int k = 0; k < 4; ++k) {
        s[i + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    }
}

// The first `n` bytes at `p` (at most eight) as one big-endian number.
inline std::uint64_t beN(const char* p, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) {
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    }
    return v;
}

inline void putBeN(char* p, int n, std::uint64_t v) {
    for (int i = n - 1; i >= 0; --i) {
        p[i] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
}

} // namespace vinculor::bytes
