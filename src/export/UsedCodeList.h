#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vinculor::exporting {

// The codes a step has already given, compared without regard to letter case
// (accented capitals included: 'Ñ' and 'ñ' are the same).
class UsedCodeList {
public:
    bool contains(std::string_view code) const;
    void add(std::string_view code);
    // The element (counted from 0, one per take()) that was first given
    // `code`; none when no element was.
    std::optional<std::size_t> firstGivenTo(std::string_view code) const;

    // Gives an element its code: the code itself, or the candidate that tells
    // it apart when it is already given; with `shortenLong`, a result of more
    // than ten characters then becomes its first eight and last two (and is
    // not tested again). The result is recorded as given.
    std::string take(std::string_view code, bool shortenLong);

    // The code that tells a repeated one apart: its first ten characters,
    // trimmed, followed by 1, 2, 3, ... - the first such text not yet given.
    std::string candidateFor(std::string_view code);

private:
    std::unordered_map<std::string, std::size_t> folded_; // -> the element first given it
    std::size_t taken_ = 0;
    // Per folded base, the last number found free. A candidate once given stays
    // given, so the next search can start there.
    std::unordered_map<std::string, long> nextNumber_;
};

} // namespace vinculor::exporting
