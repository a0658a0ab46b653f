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

// Keeps in `kept` the kListed first of the items given, by `before`; a heap
// until sorted.
template <class T, class Before> void keepFirst(std::vector<T>& kept, const T& item, Before before) {
    if (kept.size() < kListed) {
        kept.push_back(item);
        std::push_heap(kept.begin(), kept.end(), before);
    } else if (before(item, kept.front())) {
        std::pop_heap(kept.begin(), kept.end(), before);
        kept.back() = item;
        std::push_heap(kept.begin(), kept.end(), before);
    }
}

// The sessions placed of each subject of each group: a cell counts once per
// subject, however many teachers share the lesson. In grid order: groups by
// code, the subjects of a group as they come.
struct Placed {
    struct Subject {
        std::uint32_t subject;
        std::uint32_t count;
    };
    std::vector<Subject> subjects;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ofGroup; // by group id: its subjects, [begin, end)
};

// Finds the clashes of every grid, marks where they start and counts the
// sessions placed of each group subject.
Placed walkGrids(const Timetable& timetable, TimetableCheck& check) {
    check.clashStarts.assign(timetable.size(), 0);
    Placed placed;
    placed.ofGroup.assign(timetable.groups.size(), {0, 0});
    std::vector<std::uint32_t> countOf(timetable.subjects.size(), 0); // of the group being walked
    std::vector<std::uint32_t> subjectsSeen;                          // in the order they come
    std::vector<Entry> entries;                                       // of one grid
    AxisGrids grids;
    // The groups' grids last: the sessions placed grow while they are walked,
    // and the teachers' grids, the largest, are gone by then.
    for (const Axis axis : {Axis::Teacher, Axis::Room, Axis::Group}) {
        const auto bit = static_cast<std::uint8_t>(1u << static_cast<int>(axis));
        std::size_t& clashCount = check.clashCount[static_cast<std::size_t>(axis)];
        grids.build(timetable, axis);
        for (const std::uint32_t member : timetable.members(axis)) {
            const std::span<const std::uint32_t> grid = grids.grid(member);
            entries.resize(grid.size());
            for (std::size_t k = 0; k < grid.size(); ++k) {
                if (k + kReadAhead < grid.size()) {
                    timetable.prefetch(grid[k + kReadAhead]);
                }
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
                if (cell.size() > 1 && inTwoPlaces(axis, cell)) {
                    check.clashStarts[grid[begin]] |= bit;
                    if (clashCount++ < kListed) {
                        check.clashes.push_back({axis,
                                                 member,
                                                 first.day,
                                                 first.period,
                                                 first.time,
                                                 {grid.begin() + begin, grid.begin() + end}});
                    }
                }
                if (axis == Axis::Group) {
                    // A lesson without a subject code in the result is of no subject.
                    for (std::size_t i = begin; i < end; ++i) {
                        const std::uint32_t subject = entries[i].subject;
                        if (subject == kNone) {
                            continue;
                        }
                        bool seen = false;
                        for (std::size_t j = begin; j < i && !seen; ++j) {
                            seen = entries[j].subject == subject;
                        }
                        if (!seen && countOf[subject]++ == 0) {
                            subjectsSeen.push_back(subject);
                        }
                    }
                }
                begin = end;
            }
            if (axis == Axis::Group) {
                placed.ofGroup[member].first = static_cast<std::uint32_t>(placed.subjects.size());
                for (const std::uint32_t subject : subjectsSeen) {
                    placed.subjects.push_back({subject, countOf[subject]});
                    countOf[subject] = 0;
                }
                placed.ofGroup[member].second = static_cast<std::uint32_t>(placed.subjects.size());
                subjectsSeen.clear();
            }
        }
    }
    // Shown by axis: groups, teachers, rooms.
    std::stable_sort(check.clashes.begin(), check.clashes.end(),
                     [](const Clash& a, const Clash& b) { return a.axis < b.axis; });
    return placed;
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
    for (std::size_t r = 0; r < kReasons; ++r) {
        check.omitted[r] = timetable.omitted(static_cast<Reason>(r));
    }
    const Placed placed = walkGrids(timetable, check);
    // A pair of the plan is found among the subjects of its group, looked up
    // by subject for one group at a time (the plan is looked at in group
    // order), and marked.
    std::vector<bool> inPlan(placed.subjects.size(), false);
    std::vector<std::uint32_t> placeOf(timetable.subjects.size(), kNone); // of the group at hand
    std::uint32_t groupAtHand = kNone;
    const auto placedAt = [&](std::uint64_t key) -> std::uint32_t {
        const auto group = static_cast<std::uint32_t>(key >> 32);
        if (group != groupAtHand) {
            const auto set = [&](std::uint32_t g, bool found) {
                for (std::uint32_t i = placed.ofGroup[g].first; i < placed.ofGroup[g].second; ++i) {
                    placeOf[placed.subjects[i].subject] = found ? i : kNone;
                }
            };
            if (groupAtHand != kNone) {
                set(groupAtHand, false);
            }
            set(group, true);
            groupAtHand = group;
        }
        return placeOf[static_cast<std::uint32_t>(key)];
    };

    // The plan, one line per group subject as the result can tell them apart
    // (two subjects whose codes share their first ten characters are one
    // there, and a subject listed twice in a group adds up), against what was
    // placed. Sorted, the subjects of a line stand together in the file's
    // order, the first one first.
    const std::vector<SchoolNames::Planned>& plan = names.planned;
    constexpr std::uint64_t kUnknown =
        ~std::uint64_t{0}; // a group or subject not in the result: by its codes
    std::vector<std::uint64_t> keyOf(plan.size());
    std::uint32_t fileGroup = SchoolNames::kNoGroup; // the subjects of a group come together:
    std::uint32_t group = kNone;                     // its code is looked up once
    for (std::size_t k = 0; k < plan.size(); ++k) {
        if (k == 0 || plan[k].group != fileGroup) {
            fileGroup = plan[k].group;
            group = findKept(timetable.groups, names.plannedGroup(plan[k]));
        }
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

    // The lines that differ: all counted, the first kListed in the file kept.
    struct Differing {
        std::uint32_t first; // in the plan
        std::uint32_t begin; // its place in sorted
        std::int64_t planned;
        std::uint32_t placed;
    };
    std::vector<Differing> differing;
    const auto beforeInFile = [](const Differing& a, const Differing& b) { return a.first < b.first; };
    for (std::size_t begin = 0, end = 0; begin < sorted.size(); begin = end) {
        // Summed wide: a subject listed many times with huge "Horas" passes what an int holds.
        std::int64_t planned = 0;
        for (end = begin; end < sorted.size() && alike(sorted[end], sorted[begin]); ++end) {
            const int sessions = names.plannedSessions(plan[sorted[end]]);
            planned = planned < 0 || sessions < 0 ? -1 : planned + sessions;
        }
        std::uint32_t count = 0;
        if (const std::uint64_t key = keyOf[sorted[begin]]; key != kUnknown) {
            if (const std::uint32_t i = placedAt(key); i != kNone) {
                inPlan[i] = true;
                count = placed.subjects[i].count;
            }
        }
        if (planned < 0 || static_cast<std::uint64_t>(planned) != count) {
            ++check.hoursCount;
            keepFirst(differing, {sorted[begin], static_cast<std::uint32_t>(begin), planned, count},
                      beforeInFile);
        }
    }
    std::sort(differing.begin(), differing.end(), beforeInFile);
    for (const Differing& d : differing) {
        const SchoolNames::Planned& p = plan[d.first];
        std::string hours(names.plannedHours(p));
        for (std::size_t i = d.begin + 1; i < sorted.size() && alike(sorted[i], d.first); ++i) {
            hours += " + ";
            hours += names.plannedHours(plan[sorted[i]]);
        }
        check.hours.push_back({std::string(names.plannedGroup(p)), std::string(names.plannedSubject(p)),
                               std::move(hours), d.planned, d.placed});
    }

    // Then the group subjects placed that the plan does not have, in grid order.
    for (const std::uint32_t group : timetable.members(Axis::Group)) {
        for (std::uint32_t i = placed.ofGroup[group].first; i < placed.ofGroup[group].second; ++i) {
            if (!inPlan[i] && check.hoursCount++ < kListed) {
                const Placed::Subject& p = placed.subjects[i];
                check.hours.push_back({std::string(timetable.groups.code(group)),
                                       std::string(timetable.subjects.code(p.subject)), "", 0, p.count});
            }
        }
    }
    return check;
}

} // namespace vinculor::timetable
