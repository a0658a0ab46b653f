#include "export/UsedCodeList.h"

#include "export/ExportContext.h"
#include "text/Text.h"

namespace vinculor::exporting {

bool UsedCodeList::contains(std::string_view code) const {
    return folded_.count(text::foldCase(code)) != 0;
}

void UsedCodeList::add(std::string_view code) {
    folded_.try_emplace(text::foldCase(code), taken_);
}

std::optional<std::size_t> UsedCodeList::firstGivenTo(std::string_view code) const {
    const auto found = folded_.find(text::foldCase(code));
    return found == folded_.end() ? std::nullopt : std::optional(found->second);
}

std::string UsedCodeList::take(std::string_view code, bool shortenLong) {
    std::string given = contains(code) ? candidateFor(code) : std::string(code);
    if (shortenLong) {
        given = shortenCode(given);
    }
    add(given);
    ++taken_;
    return given;
}

std::string UsedCodeList::candidateFor(std::string_view code) {
    const std::string base = text::trim(text::left(code, 10));
    long& k = nextNumber_[text::foldCase(base)];
    if (k == 0) {
        k = 1;
    }
    while (contains(base + std::to_string(k))) {
        ++k;
    }
    return base + std::to_string(k);
}

} // namespace vinculor::exporting
