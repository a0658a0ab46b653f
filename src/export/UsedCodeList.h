#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vinculor::exporting {

// The codes a step has already given, compared without regard to letter case
// (accented capitals included: 'Ñ' and 'ñ' are the same).
class UsedCodeList {
public:
    bool contains(std::string_view code) const;
    void add(std::string_view code);

    // The code that tells a repeated one apart: its first ten characters,
    // trimmed, followed by 1, 2, 3, ... - the first such text not yet given.
    std::string candidateFor(std::string_view code);

private:
    std::unordered_set<std::string> folded_;
    // Per folded base, the last number found free. A candidate once given stays
    // given, so the next search can start there.
    std::unordered_map<std::string, long> nextNumber_;
};

} // namespace vinculor::exporting
