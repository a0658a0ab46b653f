#include "timetable/TimetableCheck.h"

#include "text/Text.h"
#include "timetable/SchoolNames.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vinculor::timetable {

namespace {

bool compatible(Axis axis, const Entry& a, const Entry& b) {
    if (a.task != b.task || a.subject != b.subject) {
        return false;
    }
    if (axis == Axis::Room) {
        return a.group == b.group || a.teacher == b.teacher;
    }
    return a.room == b.room;
}

// A code as Horavia's tables keep it: found whole, or by its first ten characters.
std::uint32_t findKept(const CodeSet& codes, const std::string& code) {
    const std::uint32_t id = codes.find(code);
    return id != kNone || text::length(code) <= 10 ? id : codes.find(text::left(code, 10));
}

std::uint64_t pairKey(std::uint32_t group, std::uint32_t subject) {
    return (std::uint64_t{group} << 32) | subject;
}

} // namespace

bool inTwoPlaces(Axis axis, const Timetable& timetable, std::span<const std::uint32_t> cell) {
    const std::vector<Entry>& entries = timetable.entries();
    for (std::size_t i = 1; i < cell.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (!compatible(axis, entries[cell[i]], entries[cell[j]])) {
                return true;
            }
        }
    }
    return false;
}

TimetableCheck TimetableCheck::of(const Timetable& timetable, const SchoolNames& names) {
    TimetableCheck check;
    const std::vector<Entry>& entries = timetable.entries();
    for (std::size_t r = 0; r < kReasons; ++r) {
        check.omitted[r] = timetable.omitted(static_cast<Reason>(r));
    }

    // Placed sessions of each group subject: a cell counts once per subject,
    // however many teachers share the lesson. Counted group by group, then
    // kept sorted by group and subject for the plan to find.
    std::vector<std::pair<std::uint64_t, std::size_t>> placed; // in grid order
    std::vector<std::pair<std::uint32_t, std::size_t>> ofGroup;

    for (const Axis axis : kAxes) {
        for (const std::uint32_t member : timetable.members(axis)) {
            const std::span<const std::uint32_t> grid = timetable.grid(axis, member);
            std::size_t begin = 0;
            while (begin < grid.size()) {
                const Entry& first = entries[grid[begin]];
                std::size_t end = begin + 1;
                while (end < grid.size() && entries[grid[end]].period == first.period &&
                       entries[grid[end]].day == first.day) {
                    ++end;
                }
                const std::span<const std::uint32_t> cell = grid.subspan(begin, end - begin);
                if (cell.size() > 1 && inTwoPlaces(axis, timetable, cell) &&
                    check.clashCount[static_cast<std::size_t>(axis)]++ < kListed) {
                    check.clashes.push_back({axis, member, first.day, first.period, first.time, cell});
                }
                if (axis == Axis::Group) {
                    for (std::size_t i = begin; i < end; ++i) {
                        const Entry& e = entries[grid[i]];
                        bool seen = false;
                        for (std::size_t j = begin; j < i && !seen; ++j) {
                            seen = entries[grid[j]].subject == e.subject;
                        }
                        if (seen) {
                            continue;
                        }
                        auto at = std::find_if(ofGroup.begin(), ofGroup.end(),
                                               [&](const auto& p) { return p.first == e.subject; });
                        if (at == ofGroup.end()) {
                            ofGroup.emplace_back(e.subject, 0);
                            at = ofGroup.end() - 1;
                        }
                        ++at->second;
                    }
                }
                begin = end;
            }
            for (const auto& [subject, count] : ofGroup) {
                placed.emplace_back(pairKey(member, subject), count);
            }
            ofGroup.clear();
        }
    }
    std::vector<std::pair<std::uint64_t, std::size_t>> placedSorted = placed;
    std::sort(placedSorted.begin(), placedSorted.end());
    const auto placedCount = [&](std::uint64_t key) -> std::size_t {
        const auto at =
            std::lower_bound(placedSorted.begin(), placedSorted.end(), std::make_pair(key, std::size_t{0}));
        return at != placedSorted.end() && at->first == key ? at->second : 0;
    };

    // The plan, one line per group subject as the result can tell them apart
    // (two subjects whose codes share their first ten characters are one
    // there, and a subject listed twice in a group adds up), against what was placed.
    std::unordered_map<std::string, std::size_t> line; // group and subject -> place in hours
    std::unordered_set<std::uint64_t> planned;
    for (const SchoolNames::Planned& p : names.planned) {
        const std::uint32_t group = findKept(timetable.groups, p.group);
        const std::uint32_t subject = findKept(timetable.subjects, p.subject);
        const bool known = group != kNone && subject != kNone;
        const std::string key = known ? std::to_string(pairKey(group, subject)) : p.group + '\n' + p.subject;
        const auto [at, added] = line.try_emplace(key, check.hours.size());
        if (added) {
            std::size_t count = 0;
            if (known) {
                planned.insert(pairKey(group, subject));
                count = placedCount(pairKey(group, subject));
            }
            check.hours.push_back({p.group, p.subject, p.hours, p.sessions, count});
        } else {
            HoursDifference& h = check.hours[at->second];
            h.hours += " + " + p.hours;
            h.planned = h.planned < 0 || p.sessions < 0 ? -1 : h.planned + p.sessions;
        }
    }
    std::erase_if(check.hours, [](const HoursDifference& h) {
        return h.planned >= 0 && static_cast<std::size_t>(h.planned) == h.placed;
    });
    check.hoursCount = check.hours.size();
    for (const auto& [key, count] : placed) {
        if (!planned.contains(key)) {
            if (check.hoursCount++ < kListed) {
                check.hours.push_back({timetable.groups.code(static_cast<std::uint32_t>(key >> 32)),
                                       timetable.subjects.code(static_cast<std::uint32_t>(key)), "", 0,
                                       count});
            }
        }
    }
    if (check.hours.size() > kListed) {
        check.hours.resize(kListed);
        check.hours.shrink_to_fit();
    }
    return check;
}

} // namespace vinculor::timetable
