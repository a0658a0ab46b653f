#include "timetable/Timetable.h"

#include "base/Error.h"

#include <algorithm>
#include <numeric>

namespace vinculor::timetable {

void Timetable::add(const Entry& entry) {
    std::uint64_t members = 0;
    int shift = 0;
    for (const std::uint32_t id : {entry.group, entry.teacher, entry.room}) {
        if (id != kNone && id >= kMaxMembers) {
            tooMany_ = id; // index() reports it; the import goes on
            return;
        }
        members |= std::uint64_t{id == kNone ? kMaxMembers : id} << shift;
        shift += 21;
    }
    if ((size_ >> kBlockBits) == blocks_.size()) {
        blocks_.push_back(std::make_unique<Stored[]>(kBlockSize));
    }
    const std::uint32_t slot = slotOf(entry) | (entry.task ? kTask : 0);
    stored(static_cast<std::uint32_t>(size_++)) = {entry.subject, slot, members};
}

std::uint32_t Timetable::slotOf(const Entry& entry) {
    const auto [at, added] = slotIds_.try_emplace(SlotKey{entry.time, entry.period, entry.day},
                                                  static_cast<std::uint32_t>(slots_.size()));
    if (added) {
        slots_.push_back({entry.day, entry.period, entry.time});
    }
    return at->second;
}

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

void Timetable::index() {
    if (tooMany_ != kNone) {
        throw Error(
            "El horario tiene más grupos, profesores o aulas de los que su documento puede mostrar (" +
            std::to_string(kMaxMembers) + " de cada): no se escribe.");
    }
    // The cell of each slot: the rank of its period among those of the week, then its day.
    std::vector<std::uint32_t> periods;
    for (const Slot& s : slots_) {
        periods.push_back(s.period);
    }
    std::sort(periods.begin(), periods.end());
    periods.erase(std::unique(periods.begin(), periods.end()), periods.end());
    for (Slot& s : slots_) {
        const auto rank = std::lower_bound(periods.begin(), periods.end(), s.period) - periods.begin();
        s.cell = static_cast<std::uint32_t>(rank) * 8 + (s.day & 7u);
    }

    // The entries in cell order, by counting: each goes to the next place of
    // its cell. They are read block by block, in the order they came, and
    // written into new blocks taken as the first entry reaches one; a block
    // read is freed at once. A week has few cells, so the writing goes on at
    // few places at a time and the copy needs little more room than the entries.
    const auto n = static_cast<std::uint32_t>(size_);
    std::vector<std::uint32_t> next(periods.size() * 8 + 1, 0);
    for (std::uint32_t i = 0; i < n; ++i) {
        ++next[cell(i) + 1];
    }
    std::partial_sum(next.begin(), next.end(), next.begin());
    std::vector<std::unique_ptr<Stored[]>> sorted(blocks_.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t place = next[cell(i)]++;
        std::unique_ptr<Stored[]>& block = sorted[place >> kBlockBits];
        if (!block) {
            block = std::make_unique<Stored[]>(kBlockSize);
        }
        block[place & (kBlockSize - 1)] = stored(i);
        if ((i & (kBlockSize - 1)) == kBlockSize - 1 || i + 1 == n) {
            blocks_[i >> kBlockBits].reset();
        }
    }
    blocks_ = std::move(sorted);

    // Where each member's grid starts among the entries of its axis, and
    // the members that have one, by code.
    for (const Axis axis : kAxes) {
        const auto a = static_cast<std::size_t>(axis);
        const CodeSet& set = codes(axis);
        gridStart_[a].assign(set.size() + 1, 0);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t m = member(i, axis);
            if (m != kNone) {
                ++gridStart_[a][m + 1];
            }
        }
        std::vector<std::pair<std::string_view, std::uint32_t>> byCode; // codes are unique
        for (std::uint32_t m = 0; m < set.size(); ++m) {
            if (gridStart_[a][m + 1] > 0) {
                byCode.emplace_back(set.code(m), m);
            }
        }
        std::partial_sum(gridStart_[a].begin(), gridStart_[a].end(), gridStart_[a].begin());
        std::sort(byCode.begin(), byCode.end());
        members_[a].clear();
        for (const auto& [code, m] : byCode) {
            members_[a].push_back(m);
        }
    }
}

const std::vector<std::uint32_t>& Timetable::members(Axis axis) const {
    return members_[static_cast<std::size_t>(axis)];
}

void AxisGrids::build(const Timetable& timetable, Axis axis) {
    axis_ = axis;
    start_ = &timetable.gridStart(axis);
    if (start_->back() > entries_.capacity()) {
        entries_ = std::vector<std::uint32_t>(); // freed first, then room for exactly these
        entries_.reserve(start_->back());
    }
    entries_.resize(start_->back());
    std::vector<std::uint32_t> next(start_->begin(), start_->end() - 1);
    const auto n = static_cast<std::uint32_t>(timetable.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t m = timetable.member(i, axis);
        if (m != kNone) {
            entries_[next[m]++] = i;
        }
    }
}

} // namespace vinculor::timetable
