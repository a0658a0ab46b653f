#include "timetable/TimetableCheck.h"

#include "text/Text.h"
#include "timetable/SchoolNames.h"

#include <algorithm>
#include <numeric>

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
std::uint32_t findKept(const CodeSet& codes, std::string_view code) {
    const std::uint32_t id = codes.find(code);
    return id != kNone || text::length(code) <= 10 ? id : codes.find(text::left(code, 10));
}

std::uint64_t pairKey(std::uint32_t group, std::uint32_t subject) {
    return (std::uint64_t{group} << 32) | subject;
}

} // namespace

bool inTwoPlaces(Axis axis, std::span<const Entry> cell) {
    for (std::size_t i = 1; i < cell.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (!compatible(axis, cell[i], cell[j])) {
                return true;
            }
        }
    }
    return false;
}

TimetableCheck TimetableCheck::of(const Timetable& timetable, const SchoolNames& names) {
    TimetableCheck check;
    AxisGrids grids;
    for (std::size_t r = 0; r < kReasons; ++r) {
        check.omitted[r] = timetable.omitted(static_cast<Reason>(r));
    }

    // Placed sessions of each group subject: a cell counts once per subject,
    // however many teachers share the lesson. Counted group by group, then
    // kept sorted by group and subject for the plan to find.
    std::vector<std::pair<std::uint64_t, std::size_t>> placed; // in grid order
    std::vector<std::pair<std::uint32_t, std::size_t>> ofGroup;

    std::vector<Entry> entries; // of one grid
    for (const Axis axis : kAxes) {
        grids.build(timetable, axis);
        for (const std::uint32_t member : timetable.members(axis)) {
            const std::span<const std::uint32_t> grid = grids.grid(member);
            entries.resize(grid.size());
            for (std::size_t k = 0; k < grid.size(); ++k) {
                entries[k] = timetable.entry(grid[k]);
            }
            std::size_t begin = 0;
            while (begin < entries.size()) {
                const Entry& first = entries[begin];
                std::size_t end = begin + 1;
                while (end < entries.size() && entries[end].period == first.period &&
                       entries[end].day == first.day) {
                    ++end;
                }
                const std::span<const Entry> cell(entries.data() + begin, end - begin);
                if (cell.size() > 1 && inTwoPlaces(axis, cell) &&
                    check.clashCount[static_cast<std::size_t>(axis)]++ < kListed) {
                    check.clashes.push_back({axis,
                                             member,
                                             first.day,
                                             first.period,
                                             first.time,
                                             {grid.begin() + begin, grid.begin() + end}});
                }
                if (axis == Axis::Group) {
                    for (std::size_t i = begin; i < end; ++i) {
                        const Entry& e = entries[i];
                        bool seen = false;
                        for (std::size_t j = begin; j < i && !seen; ++j) {
                            seen = entries[j].subject == e.subject;
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
    // Each placed pair (once in placed) found by its key; a pair of the plan is marked.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byKey; // key, place in placed
    byKey.reserve(placed.size());
    for (std::uint32_t i = 0; i < placed.size(); ++i) {
        byKey.emplace_back(placed[i].first, i);
    }
    std::sort(byKey.begin(), byKey.end());
    std::vector<bool> inPlan(placed.size(), false);
    const auto placedAt = [&](std::uint64_t key) -> std::uint32_t {
        const auto at = std::lower_bound(byKey.begin(), byKey.end(), std::pair(key, std::uint32_t{0}));
        return at != byKey.end() && at->first == key ? at->second : kNone;
    };

    // The plan, one line per group subject as the result can tell them apart
    // (two subjects whose codes share their first ten characters are one
    // there, and a subject listed twice in a group adds up), against what was
    // placed. A subject of the plan joins the line of the first one like it,
    // found by sorting; a line's subjects are chained in the file's order.
    const std::vector<SchoolNames::Planned>& plan = names.planned;
    constexpr std::uint64_t kUnknown =
        ~std::uint64_t{0}; // a group or subject not in the result: by its codes
    std::vector<std::uint64_t> keyOf(plan.size());
    for (std::size_t k = 0; k < plan.size(); ++k) {
        const std::uint32_t group = findKept(timetable.groups, names.plannedGroup(plan[k]));
        const std::uint32_t subject = findKept(timetable.subjects, names.plannedSubject(plan[k]));
        keyOf[k] = group != kNone && subject != kNone ? pairKey(group, subject) : kUnknown;
    }
    const auto codesOf = [&](std::uint32_t k) {
        return std::pair(names.plannedGroup(plan[k]), names.plannedSubject(plan[k]));
    };
    const auto alike = [&](std::uint32_t a, std::uint32_t b) {
        return keyOf[a] == keyOf[b] && (keyOf[a] != kUnknown || codesOf(a) == codesOf(b));
    };
    std::vector<std::uint32_t> sorted(plan.size());
    std::iota(sorted.begin(), sorted.end(), 0u);
    std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (keyOf[a] != keyOf[b]) {
            return keyOf[a] < keyOf[b];
        }
        if (keyOf[a] == kUnknown && !alike(a, b)) {
            return codesOf(a) < codesOf(b);
        }
        return a < b;
    });
    std::vector<std::uint32_t> firstLike(plan.size());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        firstLike[sorted[i]] =
            i > 0 && alike(sorted[i], sorted[i - 1]) ? firstLike[sorted[i - 1]] : sorted[i];
    }

    struct Line {
        std::uint32_t first, last; // into the plan
        int planned;
        std::size_t placed;
    };
    std::vector<Line> lines;
    std::vector<std::uint32_t> lineOf(plan.size()); // of a line's first subject
    std::vector<std::uint32_t> next(plan.size(), kNone);
    for (std::uint32_t k = 0; k < plan.size(); ++k) {
        const SchoolNames::Planned& p = plan[k];
        if (firstLike[k] == k) {
            std::size_t count = 0;
            if (const std::uint32_t i = keyOf[k] != kUnknown ? placedAt(keyOf[k]) : kNone; i != kNone) {
                inPlan[i] = true;
                count = placed[i].second;
            }
            lineOf[k] = static_cast<std::uint32_t>(lines.size());
            lines.push_back({k, k, p.sessions, count});
        } else {
            Line& l = lines[lineOf[firstLike[k]]];
            next[l.last] = k;
            l.last = k;
            l.planned = l.planned < 0 || p.sessions < 0 ? -1 : l.planned + p.sessions;
        }
    }
    for (const Line& l : lines) {
        if (l.planned >= 0 && static_cast<std::size_t>(l.planned) == l.placed) {
            continue;
        }
        if (check.hoursCount++ < kListed) {
            const SchoolNames::Planned& p = plan[l.first];
            std::string hours(names.plannedHours(p));
            for (std::uint32_t k = next[l.first]; k != kNone; k = next[k]) {
                hours += " + ";
                hours += names.plannedHours(plan[k]);
            }
            check.hours.push_back({std::string(names.plannedGroup(p)), std::string(names.plannedSubject(p)),
                                   std::move(hours), l.planned, l.placed});
        }
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (!inPlan[i] && check.hoursCount++ < kListed) {
            const std::uint64_t key = placed[i].first;
            check.hours.push_back({std::string(timetable.groups.code(static_cast<std::uint32_t>(key >> 32))),
                                   std::string(timetable.subjects.code(static_cast<std::uint32_t>(key))), "",
                                   0, placed[i].second});
        }
    }
    return check;
}

} // namespace vinculor::timetable
