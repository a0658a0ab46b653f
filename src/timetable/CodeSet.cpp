#include "timetable/CodeSet.h"

#include "base/Error.h"

#include <cstring>
#include <limits>

namespace vinculor::timetable {

namespace {

// FNV-1a, its high half folded into the low bits that pick a slot: codes
// are short, and a call into the library's hash cost more than the rest of
// a search.
std::uint64_t hashOf(std::string_view code) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : code) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    return h ^ (h >> 32);
}

} // namespace

std::size_t CodeSet::slotOf(std::string_view code) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashOf(code) & mask;; i = (i + 1) & mask) {
        const std::uint32_t id = slots_[i];
        if (id == kNone || (starts_[id + 1] - starts_[id] == code.size() &&
                            std::memcmp(text_.data() + starts_[id], code.data(), code.size()) == 0)) {
            return i;
        }
    }
}

void CodeSet::grow() {
    slots_.assign(slots_.empty() ? 16 : 2 * slots_.size(), kNone);
    for (std::uint32_t id = 0; id < size(); ++id) {
        slots_[slotOf(code(id))] = id;
    }
}

std::uint32_t CodeSet::id(std::string_view code) {
    if (code.empty()) {
        return kNone;
    }
    if (4 * (size() + 1) > 3 * slots_.size()) {
        grow();
    }
    const std::size_t slot = slotOf(code);
    if (slots_[slot] != kNone) {
        return slots_[slot];
    }
    if (text_.size() + code.size() > std::numeric_limits<std::uint32_t>::max()) { // starts_'s places
        throw Error("El horario tiene más texto en sus códigos del que puede guardar.");
    }
    const auto id = static_cast<std::uint32_t>(size());
    text_ += code;
    starts_.push_back(static_cast<std::uint32_t>(text_.size()));
    slots_[slot] = id;
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
    if (slots_.empty()) {
        return kNone;
    }
    return slots_[slotOf(code)];
}

} // namespace vinculor::timetable
