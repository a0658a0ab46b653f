#include "timetable/TimetableCheck.h"

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

// Whether two of the entries reached from `first` through `next` (kNone
// ends them) put the member of an axis in two places: two lessons (subject or
// task) that differ; for a group or a teacher, one lesson in two rooms; for a
// room, one lesson with neither group nor teacher in common. In one pass,
// however many entries a cell holds: a group's or a teacher's entries clash
// when one differs from the first; a room's, when one differs from the first
// in group and one (the same or another) in teacher.
template <class Next>
bool anyTwoPlaces(Axis axis, std::span<const Entry> cell, std::uint32_t first, Next next) {
    const Entry& e0 = cell[first];
    bool otherGroup = false;
    bool otherTeacher = false;
    for (std::uint32_t i = next(first); i != kNone; i = next(i)) {
        const Entry& e = cell[i];
        if (e.task != e0.task || e.subject != e0.subject) {
            return true;
        }
        if (axis != Axis::Room) {
            if (e.room != e0.room) {
                return true;
            }
            continue;
        }
        otherGroup = otherGroup || e.group != e0.group;
        otherTeacher = otherTeacher || e.teacher != e0.teacher;
        if (otherGroup && otherTeacher) {
            return true;
        }
    }
    return false;
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

// A clash kept for the list, with where it stands in its axis's grids.
struct Listed {
    std::uint32_t rank; // its member's grid among the axis's
    std::uint32_t cell;
    Clash clash;
};

// The order of the lists: by grid, then by cell.
bool listedBefore(const Listed& a, const Listed& b) {
    return a.rank != b.rank ? a.rank < b.rank : a.cell < b.cell;
}

// What the walk knows of one axis: where each member's entries in the cell
// at hand begin and end (linked as they come), and the members met more than
// once there.
struct AxisWalk {
    std::vector<std::uint32_t> rank;   // by member id
    std::vector<std::uint32_t> inCell; // by member id: the cell where first and last hold
    std::vector<std::uint32_t> first;  // by member id: places in the cell at hand
    std::vector<std::uint32_t> last;
    std::vector<std::uint32_t> twice;
    std::vector<Listed> listed; // the first kListed clashes, a heap until sorted

    AxisWalk(const Timetable& timetable, Axis axis) {
        const std::size_t members = timetable.codes(axis).size();
        rank.assign(members, kNone);
        inCell.assign(members, kNone);
        first.assign(members, kNone);
        last.assign(members, kNone);
        const std::vector<std::uint32_t>& ordered = timetable.members(axis);
        for (std::uint32_t r = 0; r < ordered.size(); ++r) {
            rank[ordered[r]] = r;
        }
    }

    // The member whose grid shows the entry: none for an id beyond the
    // axis's codes, which no grid shows.
    std::uint32_t member(const Entry& e, Axis axis) const {
        const std::uint32_t m = Timetable::member(e, axis);
        return m < rank.size() ? m : kNone;
    }

    // Links each member's entries in the cell, in `next`, and notes in
    // `twice` the members found more than once.
    void link(std::span<const Entry> cell, std::uint32_t cellId, Axis axis,
              std::vector<std::uint32_t>& next) {
        next.assign(cell.size(), kNone);
        for (std::uint32_t k = 0; k < cell.size(); ++k) {
            const std::uint32_t m = member(cell[k], axis);
            if (m == kNone) {
                continue;
            }
            if (inCell[m] != cellId) {
                inCell[m] = cellId;
                first[m] = k;
            } else {
                if (first[m] == last[m]) {
                    twice.push_back(m);
                }
                next[last[m]] = k;
            }
            last[m] = k;
        }
    }

    // Of the members found twice in the cell, those in two places at once:
    // counted, marked where their entries start (the cell's first entry is
    // `begin` among the timetable's), and kept while among the first listed.
    void findClashes(std::span<const Entry> cell, const std::vector<std::uint32_t>& next, std::uint32_t begin,
                     std::uint32_t cellId, Axis axis, TimetableCheck& check) {
        const auto bit = static_cast<std::uint8_t>(1u << static_cast<int>(axis));
        for (const std::uint32_t m : twice) {
            if (!anyTwoPlaces(axis, cell, first[m], [&](std::uint32_t k) { return next[k]; })) {
                continue;
            }
            check.clashStarts[begin + first[m]] |= bit;
            ++check.clashCount[static_cast<std::size_t>(axis)];
            const Listed item{rank[m], cellId, {}};
            if (listed.size() < kListed || listedBefore(item, listed.front())) { // else keepFirst drops it
                std::vector<std::uint32_t> indices;
                for (std::uint32_t k = first[m]; k != kNone; k = next[k]) {
                    indices.push_back(begin + k);
                }
                const Entry& e = cell[first[m]];
                keepFirst(listed, {item.rank, cellId, {axis, m, e.day, e.period, e.time, std::move(indices)}},
                          listedBefore);
            }
        }
        twice.clear();
    }
};

// The entries of the cell that starts at `begin`, into `cell`; returns where the next cell starts.
std::uint32_t readCell(const Timetable& timetable, std::uint32_t begin, std::vector<Entry>& cell) {
    const auto size = static_cast<std::uint32_t>(timetable.size());
    cell.clear();
    cell.push_back(timetable.entry(begin));
    std::uint32_t end = begin + 1;
    for (; end < size; ++end) {
        const Entry e = timetable.entry(end);
        if (e.period != cell.front().period || e.day != cell.front().day) {
            break;
        }
        cell.push_back(e);
    }
    return end;
}

// Counts, for each group in the cell at hand, a session of each subject its
// entries there have: once, however many teachers share the lesson. A lesson
// without a subject code in the result is of no subject. A group's subjects
// are kept as they first come.
void countSessions(std::span<const Entry> cell, std::span<const std::uint32_t> next, const AxisWalk& groups,
                   std::vector<std::vector<Placed::Subject>>& subjectsOf) {
    for (std::uint32_t first = 0; first < cell.size(); ++first) {
        const std::uint32_t g = groups.member(cell[first], Axis::Group);
        if (g == kNone || groups.first[g] != first) {
            continue; // each group once, from its first entry in the cell
        }
        for (std::uint32_t k = first; k != kNone; k = next[k]) {
            const std::uint32_t subject = cell[k].subject;
            bool seen = subject == kNone;
            for (std::uint32_t j = first; j != k && !seen; j = next[j]) {
                seen = cell[j].subject == subject;
            }
            if (seen) {
                continue;
            }
            std::vector<Placed::Subject>& subjects = subjectsOf[g];
            const auto it = std::find_if(subjects.begin(), subjects.end(),
                                         [&](const Placed::Subject& s) { return s.subject == subject; });
            if (it == subjects.end()) {
                subjects.push_back({subject, 1});
            } else {
                ++it->count;
            }
        }
    }
}

// Finds the clashes of every grid, marks where they start and counts the
// sessions placed of each group subject. One walk over the entries in their
// order, which is the cells' order: the entries of a cell lie together, and
// every grid reads its cells in that order too, so each member's entries in a
// cell are linked as they come and looked at again only when there are two.
Placed walkCells(const Timetable& timetable, TimetableCheck& check) {
    const auto size = static_cast<std::uint32_t>(timetable.size());
    check.clashStarts.assign(size, 0);
    std::array<AxisWalk, 3> walks = {AxisWalk(timetable, Axis::Group), AxisWalk(timetable, Axis::Teacher),
                                     AxisWalk(timetable, Axis::Room)};
    std::vector<std::vector<Placed::Subject>> subjectsOf(timetable.groups.size()); // by group id
    // The entries of the cell at hand and, for one axis at a time, the next
    // entry there of each one's member. The largest cell holds megabytes of
    // a large timetable: that room is taken once.
    std::vector<Entry> cell;
    cell.reserve(timetable.largestCell());
    std::vector<std::uint32_t> next;
    next.reserve(timetable.largestCell());

    // The cells are numbered as they come, which is their order in every grid.
    std::uint32_t cellId = 0;
    for (std::uint32_t begin = 0, end = 0; begin < size; begin = end, ++cellId) {
        end = readCell(timetable, begin, cell);
        for (const Axis axis : kAxes) {
            AxisWalk& w = walks[static_cast<std::size_t>(axis)];
            w.link(cell, cellId, axis, next);
            w.findClashes(cell, next, begin, cellId, axis, check);
            if (axis == Axis::Group) {
                countSessions(cell, next, w, subjectsOf);
            }
        }
    }

    // Listed by axis: groups, teachers, rooms; each in grid order.
    for (const Axis axis : kAxes) {
        std::vector<Listed>& listed = walks[static_cast<std::size_t>(axis)].listed;
        std::sort(listed.begin(), listed.end(), listedBefore);
        for (Listed& l : listed) {
            check.clashes.push_back(std::move(l.clash));
        }
    }
    Placed placed;
    placed.ofGroup.assign(timetable.groups.size(), {0, 0});
    for (const std::uint32_t g : timetable.members(Axis::Group)) {
        placed.ofGroup[g].first = static_cast<std::uint32_t>(placed.subjects.size());
        placed.subjects.insert(placed.subjects.end(), subjectsOf[g].begin(), subjectsOf[g].end());
        std::vector<Placed::Subject>().swap(subjectsOf[g]);
        placed.ofGroup[g].second = static_cast<std::uint32_t>(placed.subjects.size());
    }
    return placed;
}

// The subjects placed for a group, found by the key of the pair, one group
// at a time (the plan is looked at in group order).
class PlacedLookup {
public:
    PlacedLookup(const Placed& placed, std::size_t subjects) : placed_(placed), placeOf_(subjects, kNone) {}

    // Where the pair of `key` lies among the subjects placed; kNone where it is not placed.
    std::uint32_t find(std::uint64_t key) {
        const auto group = static_cast<std::uint32_t>(key >> 32);
        if (group != groupAtHand_) {
            if (groupAtHand_ != kNone) {
                mark(groupAtHand_, false);
            }
            mark(group, true);
            groupAtHand_ = group;
        }
        return placeOf_[static_cast<std::uint32_t>(key)];
    }

private:
    void mark(std::uint32_t group, bool found) {
        for (std::uint32_t i = placed_.ofGroup[group].first; i < placed_.ofGroup[group].second; ++i) {
            placeOf_[placed_.subjects[i].subject] = found ? i : kNone;
        }
    }

    const Placed& placed_;
    std::vector<std::uint32_t> placeOf_; // by subject id, for the group at hand
    std::uint32_t groupAtHand_ = kNone;
};

// The plan, one line per group subject as the result can tell them apart:
// two subjects whose codes share their first ten characters are one there,
// and a subject listed twice in a group adds up. Sorted, the subjects of a
// line stand together in the file's order, the first one first.
class PlanLines {
public:
    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0}; // a group or subject not in the result

    PlanLines(const Timetable& timetable, const SchoolNames& names)
        : names_(names), plan_(names.planned), keyOf_(plan_.size()), sorted_(plan_.size()) {
        std::uint32_t fileGroup = SchoolNames::kNoGroup; // the subjects of a group come together:
        std::uint32_t group = kNone;                     // its code is looked up once
        for (std::size_t k = 0; k < plan_.size(); ++k) {
            if (k == 0 || plan_[k].group != fileGroup) {
                fileGroup = plan_[k].group;
                group = findKept(timetable.groups, names.plannedGroup(plan_[k]));
            }
            const std::uint32_t subject = findKept(timetable.subjects, names.plannedSubject(plan_[k]));
            keyOf_[k] = group != kNone && subject != kNone ? pairKey(group, subject) : kUnknown;
        }
        std::iota(sorted_.begin(), sorted_.end(), 0u);
        std::sort(sorted_.begin(), sorted_.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (keyOf_[a] != keyOf_[b]) {
                return keyOf_[a] < keyOf_[b];
            }
            if (keyOf_[a] == kUnknown && !alike(a, b)) {
                return codesOf(a) < codesOf(b);
            }
            return a < b;
        });
    }

    // The entries of the plan, sorted so that each line's stand together.
    const std::vector<std::uint32_t>& sorted() const { return sorted_; }
    // Its group and subject as a pair key of the result; kUnknown where either is not there.
    std::uint64_t key(std::uint32_t k) const { return keyOf_[k]; }
    // Whether two entries of the plan make one line.
    bool alike(std::uint32_t a, std::uint32_t b) const {
        return keyOf_[a] == keyOf_[b] && (keyOf_[a] != kUnknown || codesOf(a) == codesOf(b));
    }
    const SchoolNames::Planned& operator[](std::uint32_t k) const { return plan_[k]; }

    // The sessions that the line starting at sorted()[begin] plans, summed
    // wide (a subject listed many times with huge "Horas" passes what an int
    // holds); -1 where one of them is no number. `end` is set past the line.
    std::int64_t sessions(std::size_t begin, std::size_t& end) const {
        std::int64_t planned = 0;
        for (end = begin; end < sorted_.size() && alike(sorted_[end], sorted_[begin]); ++end) {
            const int sessions = names_.plannedSessions(plan_[sorted_[end]]);
            planned = planned < 0 || sessions < 0 ? -1 : planned + sessions;
        }
        return planned;
    }
    // The "Horas" of the line starting at sorted()[begin], joined by " + ".
    std::string hours(std::size_t begin) const {
        const std::uint32_t first = sorted_[begin];
        std::string hours(names_.plannedHours(plan_[first]));
        for (std::size_t i = begin + 1; i < sorted_.size() && alike(sorted_[i], first); ++i) {
            hours += " + ";
            hours += names_.plannedHours(plan_[sorted_[i]]);
        }
        return hours;
    }

private:
    std::pair<std::string_view, std::string_view> codesOf(std::uint32_t k) const {
        return {names_.plannedGroup(plan_[k]), names_.plannedSubject(plan_[k])};
    }

    const SchoolNames& names_;
    const std::vector<SchoolNames::Planned>& plan_;
    std::vector<std::uint64_t> keyOf_;
    std::vector<std::uint32_t> sorted_;
};

} // namespace

bool inTwoPlaces(Axis axis, std::span<const Entry> cell) {
    const auto size = static_cast<std::uint32_t>(cell.size());
    return size > 1 &&
           anyTwoPlaces(axis, cell, 0, [size](std::uint32_t k) { return k + 1 < size ? k + 1 : kNone; });
}

TimetableCheck TimetableCheck::of(const Timetable& timetable, const SchoolNames& names) {
    TimetableCheck check;
    for (std::size_t r = 0; r < kReasons; ++r) {
        check.omitted[r] = timetable.omitted(static_cast<Reason>(r));
    }
    const Placed placed = walkCells(timetable, check);

    // The lines of the plan whose sessions differ from those placed: all
    // counted, the first kListed in the file kept. The pairs placed that a
    // line finds are marked.
    const PlanLines lines(timetable, names);
    PlacedLookup lookup(placed, timetable.subjects.size());
    std::vector<bool> inPlan(placed.subjects.size(), false);
    struct Differing {
        std::uint32_t first; // in the plan
        std::uint32_t begin; // its place in sorted()
        std::int64_t planned;
        std::uint32_t placed;
    };
    std::vector<Differing> differing;
    const auto beforeInFile = [](const Differing& a, const Differing& b) { return a.first < b.first; };
    const std::vector<std::uint32_t>& sorted = lines.sorted();
    for (std::size_t begin = 0, end = 0; begin < sorted.size(); begin = end) {
        const std::int64_t planned = lines.sessions(begin, end);
        std::uint32_t count = 0;
        if (const std::uint64_t key = lines.key(sorted[begin]); key != PlanLines::kUnknown) {
            if (const std::uint32_t i = lookup.find(key); i != kNone) {
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
        const SchoolNames::Planned& p = lines[d.first];
        check.hours.push_back({std::string(names.plannedGroup(p)), std::string(names.plannedSubject(p)),
                               lines.hours(d.begin), d.planned, d.placed});
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
