#pragma once

#include "timetable/TimetableCheck.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace vinculor::timetable {

class SchoolNames;

// Checks a timetable as its grids are walked: axis by axis (groups first),
// member by member in the order the grids are shown, each grid's cells in
// cell order. The plan is compared with what was placed once every grid has
// been walked.
class TimetableChecker {
public:
    explicit TimetableChecker(const Timetable& timetable);

    // One cell of a member's grid: the timetable's entries that it holds.
    // Returns whether the cell is a clash.
    bool cell(Axis axis, std::uint32_t member, std::span<const std::uint32_t> entries) {
        if (axis == Axis::Group) {
            countSubjects(entries);
        }
        return entries.size() > 1 && isClash(axis, member, entries);
    }
    // The end of a member's grid.
    void endGrid(Axis axis, std::uint32_t member);
    // The whole check, once every grid is walked.
    TimetableCheck finish(const SchoolNames& names);

private:
    void countSubjects(std::span<const std::uint32_t> entries);
    bool isClash(Axis axis, std::uint32_t member, std::span<const std::uint32_t> entries);

    // The sessions placed of a subject of a group: a cell counts once per
    // subject, however many teachers share the lesson.
    struct Placed {
        std::uint32_t subject;
        std::uint32_t count;
    };

    const Timetable& timetable_;
    TimetableCheck check_;
    std::vector<Placed> placed_; // groups in grid order, the subjects of each as they come
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ofGroup_; // by group id: its part of placed_
    std::vector<std::uint32_t> countOf_;                           // by subject, of the group being walked
    std::vector<std::uint32_t> subjectsSeen_;                      // by the group being walked, as they come
    std::vector<Entry> read_;                                      // the cell being looked at
};

} // namespace vinculor::timetable
