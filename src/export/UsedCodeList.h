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

    // Gives an element its code: the code itself, or the candidate that tells
    // it apart when it is already given; with `shortenLong`, a result of more
    // than ten characters then becomes its first eight and last two (and is
    // not tested again). The result is recorded as given.
    std::string take(std::string_view code, bool shortenLong);

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
