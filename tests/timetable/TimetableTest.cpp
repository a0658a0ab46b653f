#include "timetable/Timetable.h"

#include "TimetableFixture.h"
#include "base/Error.h"
#include "timetable/HtmlWriter.h"
#include "timetable/SchoolNames.h"
#include "timetable/TimetableCheck.h"
#include "timetable/TimetableDocument.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace vinculor::timetable {
namespace {

auto fields(const Entry& e) {
    return std::tuple(e.subject, e.group, e.teacher, e.room, e.time, e.period, e.day, e.task);
}

// A timetable larger than one block of entries, with crowded cells (few
// teachers, rooms and slots), entries without teacher or room, tasks, a slot
// whose time differs from day to day and one time shared by several periods.
std::vector<Entry> crowdedEntries(Timetable& t) {
    for (const char* code : {"G2", "G1", "G3"}) {
        t.groups.id(code);
    }
    for (const char* code : {"P9", "P1", "P5", "P3", "PX"}) { // PX has no entries
        t.teachers.id(code);
    }
    for (const char* code : {"A1", "A2"}) {
        t.rooms.id(code);
    }
    for (const char* code : {"MAT", "LCL"}) {
        t.subjects.id(code);
    }
    t.activityTypes.id("GUARDIA");
    for (const char* code : {"08:00–08:55", "08:55–09:50", "10:00–10:55", "08:05–09:00"}) {
        t.times.id(code);
    }
    std::vector<Entry> entries;
    std::uint32_t seed = 12345;
    const auto next = [&](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int i = 0; i < 70000; ++i) {
        Entry e;
        e.task = next(5) == 0;
        e.subject = e.task ? 0 : next(2);
        e.group = next(4) == 0 ? kNone : next(3);
        e.teacher = next(6) == 0 ? kNone : next(4);
        e.room = next(3) == 0 ? kNone : next(2);
        e.day = static_cast<std::uint8_t>(1 + next(7));
        e.period = std::array<std::uint32_t, 3>{10, 2, 7}[next(3)];
        // Period 2 starts later on Fridays; time 0 is also period 7's on Mondays.
        e.time = e.period == 10 ? 2 : (e.period == 2 ? (e.day == 5 ? 3 : 1) : (e.day == 1 ? 0 : 2));
        entries.push_back(e);
        t.add(e);
    }
    return entries;
}

// Whether the entries waited in memory or in a temporary file until index().
class GridsTest : public ::testing::TestWithParam<bool> {};

TEST_P(GridsTest, HoldEachMembersEntriesInCellOrderAcrossBlocks) {
    const bool spilled = GetParam();
    testing::TempDir dir;
    Timetable t = spilled ? Timetable(dir / "HorarioHoraviacentro.html", 1024) : Timetable();
    const std::vector<Entry> added = crowdedEntries(t);
    if (spilled) {
        EXPECT_FALSE(std::filesystem::is_empty(dir.path())); // its temporary file
    }
    t.index();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    ASSERT_EQ(t.size(), added.size());

    const auto rank = [](std::uint32_t period) { return period == 2 ? 0 : (period == 7 ? 1 : 2); };
    AxisGrids grids;
    for (const Axis axis : kAxes) {
        grids.build(t, axis);
        const CodeSet& codes = t.codes(axis);
        std::vector<std::uint32_t> expectedMembers;
        for (std::uint32_t m = 0; m < codes.size(); ++m) {
            // What each grid should hold: the member's entries as they came,
            // ordered by period, then day.
            std::vector<Entry> expected;
            for (const Entry& e : added) {
                if (Timetable::member(e, axis) == m) {
                    expected.push_back(e);
                }
            }
            std::stable_sort(expected.begin(), expected.end(), [&](const Entry& a, const Entry& b) {
                return std::pair(rank(a.period), a.day) < std::pair(rank(b.period), b.day);
            });
            std::vector<Entry> actual;
            for (const std::uint32_t i : grids.grid(m)) {
                actual.push_back(t.entry(i));
            }
            ASSERT_EQ(actual.size(), expected.size()) << codes.code(m);
            for (std::size_t k = 0; k < actual.size(); ++k) {
                ASSERT_EQ(fields(actual[k]), fields(expected[k])) << codes.code(m) << " " << k;
            }
            if (!expected.empty()) {
                expectedMembers.push_back(m);
            }
        }
        std::sort(expectedMembers.begin(), expectedMembers.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return codes.code(a) < codes.code(b); });
        EXPECT_EQ(t.members(axis), expectedMembers);
        // The grids lie one after another in the order they are shown, for
        // the document to read ahead from one into the next.
        std::vector<std::uint32_t> shownInOrder;
        for (const std::uint32_t m : t.members(axis)) {
            const std::span<const std::uint32_t> grid = grids.grid(m);
            shownInOrder.insert(shownInOrder.end(), grid.begin(), grid.end());
        }
        EXPECT_EQ(std::vector<std::uint32_t>(grids.all().begin(), grids.all().end()), shownInOrder);
    }
    EXPECT_EQ(t.members(Axis::Teacher).size(), 4u); // PX has none
}

INSTANTIATE_TEST_SUITE_P(TimetableTest, GridsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "KeptInATemporaryFile" : "KeptInMemory";
                         });

// The check walks the entries cell by cell; the document reads them grid by
// grid. Worked out here from the grids, one cell of a grid at a time, the
// clashes (in grid order, the first kListed of each axis listed) and the
// sessions placed of each group subject must be the check's.
void expectTheCheckOfTheGrids(const Timetable& t) {
    const TimetableCheck check =
        TimetableCheck::of(t, SchoolNames{}); // no plan: every subject placed is listed

    std::vector<Clash> clashes;
    std::array<std::size_t, 3> counts{};
    std::vector<std::uint8_t> starts(t.size(), 0);
    std::vector<std::tuple<std::string, std::string, std::size_t>> placed; // group, subject, sessions
    for (const Axis axis : kAxes) {
        AxisGrids grids;
        grids.build(t, axis);
        for (const std::uint32_t member : t.members(axis)) {
            const std::span<const std::uint32_t> grid = grids.grid(member);
            std::vector<std::pair<std::uint32_t, std::size_t>> sessions; // subject, cells
            for (std::size_t begin = 0, end = 0; begin < grid.size(); begin = end) {
                std::vector<Entry> cell;
                for (end = begin; end < grid.size() && t.cell(grid[end]) == t.cell(grid[begin]); ++end) {
                    cell.push_back(t.entry(grid[end]));
                }
                if (cell.size() > 1 && inTwoPlaces(axis, cell)) {
                    starts[grid[begin]] |= static_cast<std::uint8_t>(1u << static_cast<int>(axis));
                    if (counts[static_cast<std::size_t>(axis)]++ < kListed) {
                        clashes.push_back({axis,
                                           member,
                                           cell[0].day,
                                           cell[0].period,
                                           cell[0].time,
                                           {grid.begin() + begin, grid.begin() + end}});
                    }
                }
                std::vector<std::uint32_t> inCell;
                for (const Entry& e : cell) {
                    if (axis != Axis::Group || e.subject == kNone ||
                        std::find(inCell.begin(), inCell.end(), e.subject) != inCell.end()) {
                        continue;
                    }
                    inCell.push_back(e.subject);
                    const auto it = std::find_if(sessions.begin(), sessions.end(),
                                                 [&](const auto& s) { return s.first == e.subject; });
                    if (it == sessions.end()) {
                        sessions.emplace_back(e.subject, 1);
                    } else {
                        ++it->second;
                    }
                }
            }
            for (const auto& [subject, cells] : sessions) {
                placed.emplace_back(t.groups.code(member), t.subjects.code(subject), cells);
            }
        }
    }

    EXPECT_EQ(check.clashCount, counts);
    ASSERT_EQ(check.clashes.size(), clashes.size());
    for (std::size_t i = 0; i < clashes.size(); ++i) {
        const Clash& a = check.clashes[i];
        const Clash& b = clashes[i];
        EXPECT_EQ(std::tuple(a.axis, a.member, a.day, a.period, a.time, a.entries),
                  std::tuple(b.axis, b.member, b.day, b.period, b.time, b.entries))
            << "clash " << i;
    }
    EXPECT_EQ(check.clashStarts, starts);
    EXPECT_EQ(check.hoursCount, placed.size());
    ASSERT_EQ(check.hours.size(), std::min(placed.size(), kListed));
    for (std::size_t i = 0; i < check.hours.size(); ++i) {
        const HoursDifference& h = check.hours[i];
        EXPECT_EQ(std::tuple(h.group, h.subject, h.placed), placed[i]) << "line " << i;
    }
}

TEST(TimetableTest, TheCheckFindsInTheCellsWhatEachGridShows) {
    Timetable crowded;
    crowdedEntries(crowded);
    crowded.index();
    expectTheCheckOfTheGrids(crowded);

    // Many members, their ids not in the order of their codes, entries coming
    // in no order, and more clashes of each axis than the lists keep.
    Timetable wide;
    std::uint32_t seed = 777;
    const auto next = [&](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int k = 59; k >= 0; --k) {
        wide.groups.id("G" + std::to_string(100 + k));
        wide.teachers.id("P" + std::to_string(100 + k));
        wide.rooms.id("A" + std::to_string(100 + k));
    }
    for (int k = 0; k < 12; ++k) {
        wide.subjects.id("S" + std::to_string(k));
    }
    wide.activityTypes.id("GUARDIA");
    wide.times.id("08:00–08:55");
    for (int i = 0; i < 30000; ++i) {
        Entry e;
        e.task = next(8) == 0;
        e.subject = e.task ? 0 : (next(20) == 0 ? kNone : next(12)); // some lessons of no subject
        e.group = next(10) == 0 ? kNone : next(60);
        e.teacher = next(10) == 0 ? kNone : next(60);
        e.room = next(10) == 0 ? kNone : next(60);
        e.day = static_cast<std::uint8_t>(1 + next(5));
        e.period = 1 + next(8);
        e.time = 0;
        wide.add(e);
    }
    wide.index();
    expectTheCheckOfTheGrids(wide);

    // Ids beyond an axis's codes: no grid shows them, and the check finds
    // nothing of theirs.
    Timetable beyond;
    beyond.groups.id("G1");
    beyond.teachers.id("P1");
    beyond.rooms.id("A1");
    beyond.subjects.id("MAT");
    beyond.times.id("08:00–08:55");
    for (std::uint32_t i = 0; i < 40; ++i) {
        beyond.add({0, i % 4, i % 5, i % 6, 0, 1 + i % 2, 1, false});
    }
    beyond.index();
    expectTheCheckOfTheGrids(beyond);
    const TimetableCheck check = TimetableCheck::of(wide, SchoolNames{});
    for (const Axis axis : kAxes) {
        EXPECT_GT(check.clashCount[static_cast<std::size_t>(axis)], kListed); // each list cut short
    }
}

// Every cell of two to four entries drawn from two subjects, groups,
// teachers and rooms, lessons and tasks: the check of a cell, made in one
// pass, must say what comparing every pair of its entries says.
TEST(TimetableTest, ACellIsAClashWhenAnyTwoOfItsEntriesAre) {
    const auto agree = [](Axis axis, const Entry& a, const Entry& b) {
        if (a.task != b.task || a.subject != b.subject) {
            return false;
        }
        return axis == Axis::Room ? a.group == b.group || a.teacher == b.teacher : a.room == b.room;
    };
    const auto entryOf = [](std::uint32_t bits) {
        Entry e;
        e.subject = bits & 1;
        e.group = (bits >> 1) & 1;
        e.teacher = (bits >> 2) & 1;
        e.room = (bits >> 3) & 1;
        e.task = ((bits >> 4) & 1) != 0;
        return e;
    };
    std::size_t clashes = 0;
    std::size_t cells = 0;
    for (std::size_t size = 2; size <= 4; ++size) {
        std::uint32_t combinations = 1;
        for (std::size_t k = 0; k < size; ++k) {
            combinations *= 32;
        }
        for (std::uint32_t c = 0; c < combinations; ++c) {
            std::vector<Entry> cell;
            for (std::uint32_t rest = c, k = 0; k < size; ++k, rest /= 32) {
                cell.push_back(entryOf(rest % 32));
            }
            for (const Axis axis : kAxes) {
                bool expected = false;
                for (std::size_t i = 0; i < size && !expected; ++i) {
                    for (std::size_t j = i + 1; j < size && !expected; ++j) {
                        expected = !agree(axis, cell[i], cell[j]);
                    }
                }
                ++cells;
                clashes += expected ? 1 : 0;
                ASSERT_EQ(inTwoPlaces(axis, cell), expected)
                    << "eje " << static_cast<int>(axis) << ", celda " << c;
            }
        }
    }
    EXPECT_GT(clashes, 0u);
    EXPECT_LT(clashes, cells);
}

TEST(TimetableTest, AnEmptyTimetableHasNoGrids) {
    Timetable t;
    t.teachers.id("P1");
    t.index();
    AxisGrids grids;
    for (const Axis axis : kAxes) {
        grids.build(t, axis);
        EXPECT_TRUE(t.members(axis).empty());
    }
    grids.build(t, Axis::Teacher);
    EXPECT_TRUE(grids.grid(0).empty());
}

TEST(TimetableTest, AnIdBeyondWhatAnEntryHoldsLeavesTheTimetableWithoutGrids) {
    Timetable t;
    t.times.id("08:00–08:55");
    Entry e{0, kNone, kNone, kNone, 0, 1, 1, false};
    t.add(e); // no group, teacher or room
    t.index();
    EXPECT_EQ(fields(t.entry(0)), fields(e));
    for (const std::uint32_t id : {Timetable::kMaxMembers, kNone - 1}) {
        Timetable large;
        large.add(e);
        Entry far = e;
        far.room = id;
        large.add(far);
        try {
            large.index();
            ADD_FAILURE() << id;
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find("2097151"), std::string::npos) << error.what();
        }
    }
}

TEST(TimetableTest, AnEntryOnADayOutsideTheWeekIsRefused) {
    // Its grids have no column for it: a document that took it would never
    // find the cell to write it in.
    Timetable t;
    t.times.id("08:00–08:55");
    for (const std::uint8_t day : {0, 8, 255}) {
        EXPECT_THROW(t.add({0, 0, 0, 0, 0, 1, day, false}), Error) << int(day);
    }
    const Entry sunday{0, 0, 0, 0, 0, 1, 7, false};
    t.add(sunday);
    t.index();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(fields(t.entry(0)), fields(sunday));
}

TEST(TimetableTest, ValuesTooWideTogetherForAnEntryLeaveTheTimetableWithoutGrids) {
    // Each value fits on its own; together they need more than an entry's 96 bits.
    const std::uint32_t most = Timetable::kMaxMembers - 1;
    Timetable t;
    t.add({kNone - 1, most, most, most, 0, 1, 1, false});
    try {
        t.index();
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("no se escribe"), std::string::npos) << error.what();
    }
    // The widest that fits: three members of 21 bits, a subject of 30, a slot of 1 and the task of 2.
    Timetable wide;
    const Entry e{(1u << 29) - 1, most, most, most, 0, 1, 1, true};
    wide.add(e);
    wide.index();
    EXPECT_EQ(fields(wide.entry(0)), fields(e));
}

TEST(TimetableTest, TheDocumentIsTheSameWhateverPiecesItsWriterHandsOn) {
    // Grids far larger than the writers' pieces: rows written straight into
    // the writer's buffer ask it for more room again and again.
    // One room's name is longer than the buffer of the writer with small pieces.
    Timetable t;
    crowdedEntries(t);
    t.add({0, 0, 0, t.rooms.id("AX"), 0, 2, 3, false});
    t.index();
    SchoolNames names; // every other code shown as it is
    const std::string longName(10000, 'x');
    names.addName(SchoolNames::Kind::Room, "AX", longName);
    const TimetableCheck check = TimetableCheck::of(t, names);
    ASSERT_GT(check.clashCount[static_cast<std::size_t>(Axis::Room)], 0u);
    const auto document = [&](std::size_t pieceBytes) {
        std::string html;
        HtmlWriter out([&](std::string_view piece) { html += piece; }, pieceBytes);
        writeTimetableDocument(out, t, check, names, "hoy");
        out.finish();
        return html;
    };
    const std::string whole = document(std::size_t{1} << 24);
    ASSERT_GT(whole.size(), std::size_t{1} << 20);
    EXPECT_EQ(document(64), whole);
    EXPECT_EQ(testing::occurrences(whole, "<section class=\"grid"), 3u + 4u + 3u);
    EXPECT_EQ(testing::occurrences(whole, "\n" + longName), 2u); // in the lines of G2 and P9
    EXPECT_EQ(whole.substr(whole.size() - 16), "</body>\n</html>\n");
}

} // namespace
} // namespace vinculor::timetable
