#include "timetable/CodeSet.h"

#include "base/Error.h"

#include <functional>

namespace vinculor::timetable {

std::size_t CodeSet::slotOf(std::string_view code) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = std::hash<std::string_view>{}(code)&mask;; i = (i + 1) & mask) {
        if (slots_[i] == kNone || this->code(slots_[i]) == code) {
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
    if (2 * (size() + 1) > slots_.size()) {
        grow();
    }
    const std::size_t slot = slotOf(code);
    if (slots_[slot] != kNone) {
        return slots_[slot];
    }
    if (text_.size() + code.size() > kUnseen) {
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
