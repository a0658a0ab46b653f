#include "timetable/Timetable.h"

#include <algorithm>
#include <numeric>

namespace vinculor::timetable {

namespace {

std::vector<std::uint32_t> byCode(const CodeSet& codes) {
    std::vector<std::uint32_t> order(codes.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return codes.code(a) < codes.code(b); });
    return order;
}

} // namespace

const CodeSet& Timetable::codes(Axis axis) const {
    switch (axis) {
    case Axis::Group:
        return groups;
    case Axis::Teacher:
        return teachers;
    case Axis::Room:
        break;
    }
    return rooms;
}

std::uint32_t Timetable::member(const Entry& entry, Axis axis) {
    switch (axis) {
    case Axis::Group:
        return entry.task ? kNone : entry.group; // tasks belong to their teacher's grid
    case Axis::Teacher:
        return entry.teacher;
    case Axis::Room:
        break;
    }
    return entry.room;
}

void Timetable::index() {
    // Entries in cell order once, by counting (a cell is a period and a day);
    // each axis then takes its members' entries in that order the same way.
    std::vector<std::uint32_t> periods;
    for (const Entry& e : entries_) {
        periods.push_back(e.period);
    }
    std::sort(periods.begin(), periods.end());
    periods.erase(std::unique(periods.begin(), periods.end()), periods.end());
    std::vector<std::uint32_t> cells(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        const auto rank = std::lower_bound(periods.begin(), periods.end(), e.period) - periods.begin();
        cells[i] = static_cast<std::uint32_t>(rank) * 8 + (e.day & 7u);
    }
    std::vector<std::uint32_t> cellStart(periods.size() * 8 + 1, 0);
    for (const std::uint32_t c : cells) {
        ++cellStart[c + 1];
    }
    std::partial_sum(cellStart.begin(), cellStart.end(), cellStart.begin());
    std::vector<std::uint32_t> ordered(entries_.size());
    for (std::uint32_t i = 0; i < entries_.size(); ++i) {
        ordered[cellStart[cells[i]]++] = i;
    }
    for (const Axis axis : kAxes) {
        AxisIndex& ix = index_[static_cast<std::size_t>(axis)];
        const std::size_t n = codes(axis).size();
        ix.start.assign(n + 1, 0);
        for (const Entry& e : entries_) {
            const std::uint32_t m = member(e, axis);
            if (m != kNone) {
                ++ix.start[m + 1];
            }
        }
        std::partial_sum(ix.start.begin(), ix.start.end(), ix.start.begin());
        ix.entries.assign(ix.start.back(), 0);
        std::vector<std::uint32_t> next(ix.start.begin(), ix.start.end() - 1);
        for (const std::uint32_t i : ordered) {
            const std::uint32_t m = member(entries_[i], axis);
            if (m != kNone) {
                ix.entries[next[m]++] = i;
            }
        }
        ix.members = byCode(codes(axis));
        std::erase_if(ix.members, [&](std::uint32_t m) { return ix.start[m] == ix.start[m + 1]; });
    }
}

std::span<const std::uint32_t> Timetable::grid(Axis axis, std::uint32_t member) const {
    const AxisIndex& ix = index_[static_cast<std::size_t>(axis)];
    return {ix.entries.data() + ix.start[member], ix.entries.data() + ix.start[member + 1]};
}

const std::vector<std::uint32_t>& Timetable::members(Axis axis) const {
    return index_[static_cast<std::size_t>(axis)].members;
}

} // namespace vinculor::timetable
