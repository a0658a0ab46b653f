#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// Text -> place in `live` of the first record with that text, in one array
// probed linearly, with texts of up to 16 bytes kept in the entry itself and
// longer ones in one arena: a search touches one entry, where a node-based
// map would chase two or three pointers across a large table.
class FirstRecordMap {
public:
    void reserve(std::size_t n) {
        std::size_t capacity = 16;
        while (capacity < 2 * n) {
            capacity *= 2;
        }
        if (capacity > entries_.size()) {
            rehash(capacity);
        }
    }

    std::uint32_t* find(std::string_view text) {
        Entry* e = entryOf(text);
        return e != nullptr ? &e->place : nullptr;
    }

    // Adds the text unless it is there already.
    void emplace(std::string_view text, std::uint32_t place) {
        if (2 * (used_ + 1) > entries_.size()) {
            rehash(entries_.empty() ? 16 : 2 * entries_.size());
        }
        const std::uint64_t h = hashOf(text);
        for (std::size_t i = h & (entries_.size() - 1);; i = (i + 1) & (entries_.size() - 1)) {
            Entry& e = entries_[i];
            if (e.hash == kEmpty) {
                store(e, h, text, place);
                ++used_;
                return;
            }
            if (e.hash == h && e.length == text.size() && textOf(e) == text) {
                return;
            }
        }
    }

    // Removes the text: its entry stays as a marker that searches go past.
    void erase(std::string_view text) {
        if (Entry* e = entryOf(text)) {
            e->length = kGone;
        }
    }

private:
    static constexpr std::uint64_t kEmpty = 0;
    static constexpr std::uint32_t kGone = UINT32_MAX; // a length no text has
    static constexpr std::size_t kInline = 16;

    struct Entry {
        std::uint64_t hash = kEmpty;
        char inlineText[kInline] = {};
        std::uint64_t offset = 0; // into the arena, for longer texts
        std::uint32_t length = 0;
        std::uint32_t place = 0;
    };

    Entry* entryOf(std::string_view text) {
        if (entries_.empty()) {
            return nullptr;
        }
        const std::uint64_t h = hashOf(text);
        for (std::size_t i = h & (entries_.size() - 1);; i = (i + 1) & (entries_.size() - 1)) {
            Entry& e = entries_[i];
            if (e.hash == kEmpty) {
                return nullptr;
            }
            if (e.hash == h && e.length == text.size() && textOf(e) == text) {
                return &e;
            }
        }
    }

    // Field values are short: eight bytes at a time.
    static std::uint64_t hashOf(std::string_view s) noexcept {
        std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
        std::size_t i = 0;
        for (; i + 8 <= s.size(); i += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, s.data() + i, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        if (i < s.size()) {
            std::uint64_t w = 0;
            std::memcpy(&w, s.data() + i, s.size() - i);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
        }
        h = (h ^ (h >> 29)) * 0x94D049BB133111EBull;
        h ^= h >> 32;
        return h == kEmpty ? 1 : h;
    }

    std::string_view textOf(const Entry& e) const {
        return e.length <= kInline ? std::string_view(e.inlineText, e.length)
                                   : std::string_view(arena_.data() + e.offset, e.length);
    }

    void store(Entry& e, std::uint64_t h, std::string_view text, std::uint32_t place) {
        e.hash = h;
        e.length = static_cast<std::uint32_t>(text.size());
        e.place = place;
        if (text.size() <= kInline) {
            std::memcpy(e.inlineText, text.data(), text.size());
        } else {
            e.offset = arena_.size();
            arena_.append(text);
        }
    }

    void rehash(std::size_t capacity) {
        std::vector<Entry> old(capacity);
        old.swap(entries_);
        used_ = 0;
        for (const Entry& e : old) {
            if (e.hash == kEmpty || e.length == kGone) {
                continue;
            }
            for (std::size_t i = e.hash & (capacity - 1);; i = (i + 1) & (capacity - 1)) {
                if (entries_[i].hash == kEmpty) {
                    entries_[i] = e;
                    ++used_;
                    break;
                }
            }
        }
    }

    std::vector<Entry> entries_; // a power of two of them, at most half in use
    std::size_t used_ = 0;       // entries in use, removed ones included
    std::string arena_;
};

} // namespace vinculor
