#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vinculor::timetable {

// No code: an empty teacher, room or group.
constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The codes of one kind (groups, teachers...), each kept once; a code's id is
// its place in the order of first sight.
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
    // kNone where the code was never added.
    std::uint32_t find(std::string_view code) const;

    const std::string& code(std::uint32_t id) const { return codes_[id]; }
    std::size_t size() const { return codes_.size(); }

private:
    static constexpr std::uint32_t kUnseen = kNone - 1;
    std::uint32_t firstAt(std::size_t key, std::string_view code);

    std::deque<std::string> codes_;                           // never moved: ids_ looks into them
    std::unordered_map<std::string_view, std::uint32_t> ids_; // each code once, kept in codes_
    std::vector<std::uint32_t> byKey_;
};

} // namespace vinculor::timetable
