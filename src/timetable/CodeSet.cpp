#include "timetable/CodeSet.h"

namespace vinculor::timetable {

std::uint32_t CodeSet::id(std::string_view code) {
    if (code.empty()) {
        return kNone;
    }
    const auto found = ids_.find(code);
    if (found != ids_.end()) {
        return found->second;
    }
    const auto id = static_cast<std::uint32_t>(codes_.size());
    ids_.emplace(codes_.emplace_back(code), id);
    return id;
}

std::uint32_t CodeSet::firstAt(std::size_t key, std::string_view code) {
    if (key >= byKey_.size()) {
        byKey_.resize(key + 1, kUnseen);
    }
    byKey_[key] = id(code);
    return byKey_[key];
}

std::uint32_t CodeSet::find(std::string_view code) const {
    const auto found = ids_.find(code);
    return found == ids_.end() ? kNone : found->second;
}

} // namespace vinculor::timetable
