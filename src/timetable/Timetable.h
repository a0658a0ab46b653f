#pragma once

#include "timetable/CodeSet.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vinculor::timetable {

// The three ways of looking at a timetable, one grid per member of each.
enum class Axis { Group, Teacher, Room };
constexpr std::array<Axis, 3> kAxes = {Axis::Group, Axis::Teacher, Axis::Room};

// One placed lesson or task, as the import wrote it to the result. Codes are
// ids in the timetable's code sets; `subject` is an activity type's id for a task.
struct Entry {
    std::uint32_t subject = kNone;
    std::uint32_t group = kNone;
    std::uint32_t teacher = kNone;
    std::uint32_t room = kNone;
    std::uint32_t time = kNone; // "08:00–08:55", in times
    std::uint32_t period = 0;   // the slot's number in its day, 1 for the first
    std::uint8_t day = 0;       // 1 Monday to 7 Sunday
    bool task = false;
};

// Why a record of the computed timetable is not in the grids.
enum class Reason { DayOrSlotZero, GroupNotFound, SubjectNotFound, SlotNotFound, DayOutsideWeek };
constexpr std::size_t kReasons = 5;

// The lines that each list of the check keeps and shows: beyond them a
// timetable is far from done, and the counts say how far.
constexpr std::size_t kListed = 200;

// A record left out, with its codes as the computed timetable holds them.
struct Omission {
    Reason reason;
    bool task = false;
    std::string subject, group, teacher, room, day, slot;
};

// The computed timetable, as the import's passes found it, with the grids of
// each axis: the entries of each group, teacher and room in the order of their
// cells (time slot, then day).
class Timetable {
public:
    CodeSet subjects;
    CodeSet activityTypes;
    CodeSet groups;
    CodeSet teachers;
    CodeSet rooms;
    CodeSet times; // "start–end"

    void add(const Entry& entry) { entries_.push_back(entry); }
    // Counts a record left out; true while the list of its reason still
    // takes the record itself (kListed of each), given then to keep().
    bool countOmission(Reason reason) { return omitted_[static_cast<std::size_t>(reason)]++ < kListed; }
    void keep(Omission omission) { omissions_.push_back(std::move(omission)); }
    std::size_t omitted(Reason reason) const { return omitted_[static_cast<std::size_t>(reason)]; }

    const std::vector<Entry>& entries() const { return entries_; }
    const std::vector<Omission>& omissions() const { return omissions_; } // the first of each reason
    const CodeSet& codes(Axis axis) const;
    // The member of an axis whose grid shows the entry; kNone when none does.
    // A task is in its teacher's and its room's grid, not in a group's.
    static std::uint32_t member(const Entry& entry, Axis axis);

    // Sorts the grids; call once every entry is in, before the two below.
    void index();
    // The entries of one member of an axis, as indices into entries(), in
    // cell order: by period (the rows), then by day (the columns).
    std::span<const std::uint32_t> grid(Axis axis, std::uint32_t member) const;
    // The members of an axis in the order their grids are shown: by code.
    const std::vector<std::uint32_t>& members(Axis axis) const;

private:
    struct AxisIndex {
        std::vector<std::uint32_t> start; // per member, into entries; one more at the end
        std::vector<std::uint32_t> entries;
        std::vector<std::uint32_t> members;
    };

    std::vector<Entry> entries_;
    std::vector<Omission> omissions_;
    std::array<std::size_t, kReasons> omitted_{};
    std::array<AxisIndex, 3> index_;
};

} // namespace vinculor::timetable
