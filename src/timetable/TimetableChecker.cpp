#include "timetable/TimetableChecker.h"

#include "text/Text.h"
#include "timetable/SchoolNames.h"

#include <algorithm>
#include <numeric>

namespace vinculor::timetable {

namespace {

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

} // namespace

TimetableChecker::TimetableChecker(const Timetable& timetable)
    : timetable_(timetable), ofGroup_(timetable.groups.size(), {0, 0}),
      countOf_(timetable.subjects.size(), 0) {
    for (std::size_t r = 0; r < kReasons; ++r) {
        check_.omitted[r] = timetable.omitted(static_cast<Reason>(r));
    }
}

// The sessions placed of each subject of a group: each subject of a cell
// once. A lesson without a subject code in the result is of no subject.
void TimetableChecker::countSubjects(std::span<const std::uint32_t> entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint32_t subject = timetable_.subject(entries[i]);
        if (subject == kNone) {
            continue;
        }
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j) {
            seen = timetable_.subject(entries[j]) == subject;
        }
        if (!seen && countOf_[subject]++ == 0) {
            subjectsSeen_.push_back(subject);
        }
    }
}

bool TimetableChecker::isClash(Axis axis, std::uint32_t member, std::span<const std::uint32_t> entries) {
    read_.clear();
    for (const std::uint32_t i : entries) {
        read_.push_back(timetable_.entry(i));
    }
    if (!inTwoPlaces(axis, read_)) {
        return false;
    }
    if (check_.clashCount[static_cast<std::size_t>(axis)]++ < kListed) {
        const Entry& first = read_.front();
        check_.clashes.push_back(
            {axis, member, first.day, first.period, first.time, {entries.begin(), entries.end()}});
    }
    return true;
}

void TimetableChecker::endGrid(Axis axis, std::uint32_t member) {
    if (axis != Axis::Group) {
        return;
    }
    ofGroup_[member].first = static_cast<std::uint32_t>(placed_.size());
    for (const std::uint32_t subject : subjectsSeen_) {
        placed_.push_back({subject, countOf_[subject]});
        countOf_[subject] = 0;
    }
    ofGroup_[member].second = static_cast<std::uint32_t>(placed_.size());
    subjectsSeen_.clear();
}

TimetableCheck TimetableChecker::finish(const SchoolNames& names) {
    // A pair of the plan is found among the subjects of its group, looked up
    // by subject for one group at a time (the plan is looked at in group
    // order), and marked.
    std::vector<bool> inPlan(placed_.size(), false);
    std::vector<std::uint32_t> placeOf(timetable_.subjects.size(), kNone); // of the group at hand
    std::uint32_t groupAtHand = kNone;
    const auto placedAt = [&](std::uint64_t key) -> std::uint32_t {
        const auto group = static_cast<std::uint32_t>(key >> 32);
        if (group != groupAtHand) {
            const auto set = [&](std::uint32_t g, bool found) {
                for (std::uint32_t i = ofGroup_[g].first; i < ofGroup_[g].second; ++i) {
                    placeOf[placed_[i].subject] = found ? i : kNone;
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
            group = findKept(timetable_.groups, names.plannedGroup(plan[k]));
        }
        const std::uint32_t subject = findKept(timetable_.subjects, names.plannedSubject(plan[k]));
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
        int planned;
        std::uint32_t placed;
    };
    std::vector<Differing> differing;
    const auto beforeInFile = [](const Differing& a, const Differing& b) { return a.first < b.first; };
    for (std::size_t begin = 0, end = 0; begin < sorted.size(); begin = end) {
        int planned = 0;
        for (end = begin; end < sorted.size() && alike(sorted[end], sorted[begin]); ++end) {
            const int sessions = plan[sorted[end]].sessions;
            planned = planned < 0 || sessions < 0 ? -1 : planned + sessions;
        }
        std::uint32_t count = 0;
        if (const std::uint64_t key = keyOf[sorted[begin]]; key != kUnknown) {
            if (const std::uint32_t i = placedAt(key); i != kNone) {
                inPlan[i] = true;
                count = placed_[i].count;
            }
        }
        if (planned < 0 || static_cast<std::uint32_t>(planned) != count) {
            ++check_.hoursCount;
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
        check_.hours.push_back({std::string(names.plannedGroup(p)), std::string(names.plannedSubject(p)),
                                std::move(hours), d.planned, d.placed});
    }

    // Then the group subjects placed that the plan does not have, in grid order.
    for (const std::uint32_t group : timetable_.members(Axis::Group)) {
        for (std::uint32_t i = ofGroup_[group].first; i < ofGroup_[group].second; ++i) {
            if (!inPlan[i] && check_.hoursCount++ < kListed) {
                const Placed& p = placed_[i];
                check_.hours.push_back(
                    {timetable_.groups.code(group), timetable_.subjects.code(p.subject), "", 0, p.count});
            }
        }
    }
    return std::move(check_);
}

} // namespace vinculor::timetable
