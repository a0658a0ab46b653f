#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor::timetable {

// No code: an empty teacher, room or group.
constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The codes of one kind (groups, teachers...), each kept once; a code's id is
// its place in the order of first sight. A large school has hundreds of
// thousands of short codes: they lie one after another in one text, found
// through an open-addressing table of ids.
class CodeSet {
public:
    // The id of `code`, added where new; kNone for the empty code.
    std::uint32_t id(std::string_view code);
    // The same for the code that record `key` of a table holds: the code is
    // looked at only the first time the key comes, so a caller that knows the
    // record it found pays no search for the records it meets again.
    std::uint32_t idAt(std::size_t key, std::string_view code) {
        return key < byKey_.size() && byKey_[key] != kUnseen ? byKey_[key] : firstAt(key, code);
    }
    // Lets go of what idAt() knows of the records met, once no more come.
    void forgetKeys() { std::vector<std::uint32_t>().swap(byKey_); }
    // kNone where the code was never added.
    std::uint32_t find(std::string_view code) const;

    // Valid until the next code is added.
    std::string_view code(std::uint32_t id) const {
        return {text_.data() + starts_[id], starts_[id + 1] - starts_[id]};
    }
    std::size_t size() const { return starts_.size() - 1; }

private:
    static constexpr std::uint32_t kUnseen = kNone - 1;
    std::uint32_t firstAt(std::size_t key, std::string_view code);
    // The slot that holds `code`'s id, or the empty slot where it would go.
    std::size_t slotOf(std::string_view code) const;
    void grow();

    std::string text_;                     // the codes, one after another
    std::vector<std::uint32_t> starts_{0}; // where each code starts in text_, then where the last ends
    std::vector<std::uint32_t> slots_;     // ids or kNone; a power of two in size, 3/4 in use at most
    std::vector<std::uint32_t> byKey_;
};

} // namespace vinculor::timetable
