#pragma once

#include "base/Prefetch.h"
#include "files/RecordSpool.h"
#include "timetable/CodeSet.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
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

// The computed timetable, as the import's passes found it. A large school's
// timetable is millions of entries, so each is kept small: its day, period
// and time stand together as one of the slots of the week. While they come,
// the entries are kept aside in 16 bytes each, beyond a few megabytes in a
// temporary file, out of the way of the look-up tables that the passes hold;
// index() reads them back in cell order into blocks of fixed size, each
// entry packed in 96 bits.
class Timetable {
public:
    // The entries that stay in memory until index(); a larger timetable's
    // go to a temporary file beside `scratch` (none: all stay in memory).
    static constexpr std::size_t kKeptEntryBytes = std::size_t{4} << 20;
    explicit Timetable(const std::filesystem::path& scratch = {}, std::size_t keptBytes = kKeptEntryBytes);

    CodeSet subjects;
    CodeSet activityTypes;
    CodeSet groups;
    CodeSet teachers;
    CodeSet rooms;
    CodeSet times; // "start–end"

    // Entries are added before index(), and read after it. An entry's day is
    // one of the week's: its grids have no column for any other, and one
    // outside it is refused.
    void add(const Entry& entry);
    // Counts a record left out; true while the list of its reason still
    // takes the record itself (kListed of each), given then to keep().
    bool countOmission(Reason reason) { return omitted_[static_cast<std::size_t>(reason)]++ < kListed; }
    void keep(Omission omission) { omissions_.push_back(std::move(omission)); }
    std::size_t omitted(Reason reason) const { return omitted_[static_cast<std::size_t>(reason)]; }
    const std::vector<Omission>& omissions() const { return omissions_; } // the first of each reason

    std::size_t size() const { return size_; }

    // What follows reads the entries once index() has put them in order.
    // Asks for entry i to be brought near before it is read: a grid's
    // entries lie all over a large timetable, and reading them one after
    // another would wait on memory for each.
    void prefetch(std::uint32_t i) const { vinculor::prefetch(&packed(i)); }
    Entry entry(std::uint32_t i) const {
        const Packed& p = packed(i);
        const Slot& slot = slots_[read(p, kSlot)];
        return {read(p, kSubject), read(p, kGroup), read(p, kTeacher), read(p, kRoom),
                slot.time,         slot.period,     slot.day,          read(p, kIsTask) != 0};
    }
    // The cell of an entry's grid: equal for two entries of the same period
    // and day, and ordered by period, then by day.
    std::uint32_t cell(std::uint32_t i) const { return slots_[read(packed(i), kSlot)].cell; }
    // The most entries that one cell holds.
    std::size_t largestCell() const { return largestCell_; }

    const CodeSet& codes(Axis axis) const;
    // The member of an axis whose grid shows the entry; kNone when none does.
    // A task is in its teacher's and its room's grid, not in a group's.
    static std::uint32_t member(const Entry& entry, Axis axis) {
        switch (axis) {
        case Axis::Group:
            return entry.task ? kNone : entry.group;
        case Axis::Teacher:
            return entry.teacher;
        case Axis::Room:
            break;
        }
        return entry.room;
    }
    // Calls visit(i, member) for each entry i in order, with its member of
    // the axis whose grid shows it (kNone for none), read block by block.
    template <class Visit> void eachMember(Axis axis, Visit visit) const {
        const Field task = fields_[kIsTask];
        const Field field = fields_[kGroup + static_cast<int>(axis)];
        const bool group = axis == Axis::Group;
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            const Packed* block = blocks_[b].get();
            const auto first = static_cast<std::uint32_t>(b << kBlockBits);
            const auto count = static_cast<std::uint32_t>(std::min(size_ - first, kBlockSize));
            for (std::uint32_t k = 0; k < count; ++k) {
                visit(first + k, group && read(block[k], task) != 0 ? kNone : read(block[k], field));
            }
        }
    }

    // The ids of groups, teachers and rooms that an entry can hold: a
    // timetable with more of one (a school millions of times the largest)
    // has no grids, and index() says so.
    static constexpr std::uint32_t kMaxMembers = (1u << 21) - 1;

    // Puts the entries in cell order (by period, then by day; in the order
    // they came within a cell) and the members of each axis in the order of
    // their codes. Call once every entry is in, before the grids are built.
    void index();
    // The members of an axis that have entries, in the order their grids are
    // shown: by code.
    const std::vector<std::uint32_t>& members(Axis axis) const;
    // Where each member's grid lies among the entries of an axis's grids,
    // which follow one another in the order of members(), as they are shown.
    struct GridPlace {
        std::uint32_t start = 0;
        std::uint32_t size = 0;
    };
    const std::vector<GridPlace>& gridPlaces(Axis axis) const {
        return gridPlaces_[static_cast<std::size_t>(axis)];
    }
    // The entries of all of an axis's grids.
    std::size_t gridEntries(Axis axis) const { return gridEntries_[static_cast<std::size_t>(axis)]; }

private:
    // An entry as it comes, until index().
    struct Stored {
        std::uint32_t subject;
        std::uint32_t slot;    // into slots_, with kTask set for a task
        std::uint64_t members; // group, teacher and room ids, 21 bits each (by Axis); kMaxMembers for none
    };
    struct Slot {
        std::uint8_t day;
        std::uint32_t period;
        std::uint32_t time;
        std::uint32_t entries = 0; // added in this slot
        std::uint32_t cell = 0;    // set by index()
    };
    static constexpr std::uint32_t kTask = 0x80000000;
    static constexpr std::size_t kBlockBits = 12; // 4,096 entries, 48 KB a block
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

    // The group (0), teacher (1) or room (2) of an entry as it comes.
    static std::uint32_t unpacked(const Stored& s, int which) {
        const auto id = static_cast<std::uint32_t>(s.members >> (21 * which)) & kMaxMembers;
        return id == kMaxMembers ? kNone : id;
    }

    // An entry once in order: its values one after another in 96 bits, each
    // as wide as the largest of its kind needs. Each is kept plus one, so
    // that none (kNone) is kept as 0 and reads back as itself.
    struct Packed {
        std::uint32_t words[3];
    };
    enum Part { kSubject, kSlot, kIsTask, kGroup, kTeacher, kRoom, kParts };
    struct Field {
        std::uint32_t mask = 0; // as wide as the value
        std::uint8_t byte = 0;  // where the 32-bit word that holds its first bit starts
        std::uint8_t shift = 0; // its first bit in that word
    };
    std::uint32_t read(const Packed& p, int part) const { return read(p, fields_[part]); }
    static std::uint32_t read(const Packed& p, Field f) {
        std::uint64_t window; // the blocks have room for reading past their last entry
        std::memcpy(&window, reinterpret_cast<const char*>(&p) + f.byte, sizeof window);
        return (static_cast<std::uint32_t>(window >> f.shift) & f.mask) - 1;
    }
    void pack(Packed& p, const Stored& s) const;
    // The steps of index().
    std::size_t cellsOfSlots();
    void layOutFields();
    void placeEntries(std::size_t cells);
    void orderMembers();
    const Packed& packed(std::uint32_t i) const { return blocks_[i >> kBlockBits][i & (kBlockSize - 1)]; }
    std::uint32_t slotOf(const Entry& entry);

    std::unique_ptr<files::RecordSpool> incoming_;  // the entries as they came, until index()
    std::vector<std::unique_ptr<Packed[]>> blocks_; // then in cell order
    std::array<Field, kParts> fields_{};
    std::array<std::uint32_t, kParts> ids_{}; // of each part: one more than the largest value, so far
    std::size_t size_ = 0;
    std::size_t largestCell_ = 0;
    std::vector<Slot> slots_;
    struct SlotKey {
        std::uint32_t time, period;
        std::uint8_t day;
        bool operator==(const SlotKey&) const = default;
    };
    struct SlotHash {
        std::size_t operator()(const SlotKey& k) const {
            return std::hash<std::uint64_t>{}((std::uint64_t{k.time} << 32 | k.period) * 8 + k.day);
        }
    };
    std::unordered_map<SlotKey, std::uint32_t, SlotHash> slotIds_;
    std::vector<Omission> omissions_;
    std::array<std::size_t, kReasons> omitted_{};
    std::array<std::vector<std::uint32_t>, 3> members_;
    std::array<std::vector<GridPlace>, 3> gridPlaces_;
    std::array<std::size_t, 3> gridEntries_{};
    std::uint32_t tooMany_ = kNone; // an id beyond kMaxMembers that an entry had
};

// The grids of one axis: each member's entries, as indices into the
// timetable's entries, in cell order. Built for one axis at a time into the
// same buffer, so that a large timetable needs only one of them at once.
class AxisGrids {
public:
    // The timetable must be indexed.
    void build(const Timetable& timetable, Axis axis);
    std::span<const std::uint32_t> grid(std::uint32_t member) const {
        const Timetable::GridPlace& place = (*places_)[member];
        return {entries_.data() + place.start, place.size};
    }
    // Every grid's entries, one grid after another in the order of the
    // axis's members.
    std::span<const std::uint32_t> all() const { return entries_; }

private:
    const std::vector<Timetable::GridPlace>* places_ = nullptr; // the timetable's, per member
    std::vector<std::uint32_t> entries_;
};

} // namespace vinculor::timetable
