#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vinculor::importing {

// A text of up to 16 bytes held in two words, the bytes past its end zero:
// the codes that the import looks up are compared and hashed as integers.
class ShortText {
public:
    static constexpr std::size_t kMax = 16;

    // `text` has at most kMax bytes.
    static ShortText of(std::string_view text) {
        ShortText t;
        if (!text.empty()) { // an empty view may hold no pointer at all
            std::memcpy(t.words_, text.data(), text.size());
        }
        t.length_ = static_cast<std::uint32_t>(text.size());
        return t;
    }

    // A character field's text as stored: its `width` bytes (at most kMax)
    // without the blanks and zeros that end them. kMax bytes must be readable
    // at `field`, whatever its width.
    static ShortText ofField(const char* field, std::size_t width) {
        ShortText t;
        std::memcpy(t.words_, field, kMax);
        t.keepBytes(width);
        // Bit 7 of each byte that is neither a blank nor a zero: clearing bit 5
        // leaves exactly those bytes non-zero, and adding 0x7F to the other
        // seven bits of a byte carries into bit 7 where any is set.
        std::size_t length = 0;
        for (std::size_t i = 0; i < 2; ++i) {
            const std::uint64_t x = t.words_[i] & ~(kEach * 0x20);
            const std::uint64_t inText = (((x & (kEach * 0x7F)) + kEach * 0x7F) | x) & (kEach * 0x80);
            if (inText != 0) {
                length = 8 * i + static_cast<std::size_t>(std::bit_width(inText)) / 8;
            }
        }
        t.keepBytes(length);
        t.length_ = static_cast<std::uint32_t>(length);
        return t;
    }

    std::size_t size() const { return length_; }
    bool ascii() const { return ((words_[0] | words_[1]) & (kEach * 0x80)) == 0; }
    std::uint64_t hash() const {
        std::uint64_t h = (words_[0] ^ length_) * 0x9E3779B97F4A7C15ull ^ words_[1] * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 29)) * 0x94D049BB133111EBull;
        return h ^ (h >> 32);
    }
    friend bool operator==(const ShortText& a, const ShortText& b) {
        return a.words_[0] == b.words_[0] && a.words_[1] == b.words_[1] && a.length_ == b.length_;
    }

private:
    static_assert(std::endian::native == std::endian::little, "a text's first byte is a word's lowest");
    static constexpr std::uint64_t kEach = 0x0101010101010101ull; // times a byte: that byte in each place

    // Zero past the first `n` bytes.
    void keepBytes(std::size_t n) {
        words_[0] &= kKept[n][0];
        words_[1] &= kKept[n][1];
    }
    // Per count of bytes kept, the masks of the two words that keep them.
    static constexpr auto kKept = [] {
        std::array<std::array<std::uint64_t, 2>, kMax + 1> masks{};
        for (std::size_t n = 0; n <= kMax; ++n) {
            for (std::size_t i = 0; i < 2; ++i) {
                const std::size_t kept = n > 8 * i ? n - 8 * i : 0;
                masks[n][i] = kept >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * kept)) - 1;
            }
        }
        return masks;
    }();

    std::uint64_t words_[2] = {0, 0};
    std::uint32_t length_ = 0;
};

} // namespace vinculor::importing
