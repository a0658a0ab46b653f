#pragma once

#include "base/Prefetch.h"
#include "timetable/Timetable.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vinculor::timetable {

class SchoolNames;

// A group, teacher or room in two places at once: one cell of its grid.
struct Clash {
    Axis axis;
    std::uint32_t member;
    std::uint8_t day;
    std::uint32_t period;
    std::uint32_t time;
    std::vector<std::uint32_t> entries; // into the timetable's entries
};

// A subject of a group whose placed sessions differ from the planned ones.
struct HoursDifference {
    std::string group;        // code
    std::string subject;      // code
    std::string hours;        // "Horas" as the school's file gives it; empty when not planned
    std::int64_t planned = 0; // sessions; -1 when "Horas" is no number
    std::size_t placed = 0;
};

// What is wrong with a computed timetable, for the user to look at before
// loading it: clashes, records left out, hours that differ from the plan.
struct TimetableCheck {
    // The first kListed of each list (of clashes, kListed of each axis); the
    // counts are of all.
    std::vector<Clash> clashes; // groups, teachers, rooms; each in grid order
    std::vector<HoursDifference> hours;
    std::array<std::size_t, 3> clashCount{}; // by Axis
    std::size_t hoursCount = 0;
    std::array<std::size_t, kReasons> omitted{}; // by Reason
    // For each entry of the timetable, the axes (bit 1 << Axis) in whose
    // grid the entry is the first of a cell that is a clash.
    std::vector<std::uint8_t> clashStarts;

    bool clashStartsAt(Axis axis, std::uint32_t entry) const {
        return entry < clashStarts.size() && ((clashStarts[entry] >> static_cast<int>(axis)) & 1) != 0;
    }
    void prefetchClashStart(std::uint32_t entry) const {
        if (entry < clashStarts.size()) {
            prefetch(&clashStarts[entry]);
        }
    }

    // The timetable must be indexed.
    static TimetableCheck of(const Timetable& timetable, const SchoolNames& names);
};

// Whether the entries of one cell of an axis's grid put its member in two
// places: a group or a teacher with two different activities (subject, task
// or room), a room with two different subjects or with two lessons that share
// neither group nor teacher. Two teachers of one lesson, or one teacher with
// two groups together, are no clash.
bool inTwoPlaces(Axis axis, std::span<const Entry> cell);

} // namespace vinculor::timetable
