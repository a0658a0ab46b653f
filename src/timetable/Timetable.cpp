#include "timetable/Timetable.h"

#include "base/Error.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <type_traits>

namespace vinculor::timetable {

Timetable::Timetable(const std::filesystem::path& scratch, std::size_t keptBytes)
    : incoming_(std::make_unique<files::RecordSpool>(sizeof(Stored), scratch, keptBytes)) {}

void Timetable::add(const Entry& entry) {
    if (entry.day < 1 || entry.day > 7) {
        throw Error("Una actividad del horario tiene el día " + std::to_string(entry.day) +
                    ", fuera de la semana: el documento del horario no puede mostrarla.");
    }
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
    const std::uint32_t slot = slotOf(entry);
    ++slots_[slot].entries;
    static_assert(std::is_trivially_copyable_v<Stored> && sizeof(Stored) == 16);
    const Stored s{entry.subject, slot | (entry.task ? kTask : 0), members};
    for (const auto& [part, id] : {std::pair(kSubject, entry.subject), std::pair(kGroup, entry.group),
                                   std::pair(kTeacher, entry.teacher), std::pair(kRoom, entry.room)}) {
        if (id != kNone) {
            ids_[part] = std::max(ids_[part], id + 1);
        }
    }
    incoming_->add(reinterpret_cast<const char*>(&s));
    ++size_;
}

std::uint32_t Timetable::slotOf(const Entry& entry) {
    const auto [at, added] = slotIds_.try_emplace(SlotKey{entry.time, entry.period, entry.day},
                                                  static_cast<std::uint32_t>(slots_.size()));
    if (added) {
        slots_.push_back({entry.day, entry.period, entry.time});
    }
    return at->second;
}

void Timetable::pack(Packed& p, const Stored& s) const {
    __extension__ using Bits = unsigned __int128;
    const std::array<std::uint32_t, kParts> values = {
        s.subject,      s.slot & ~kTask, (s.slot & kTask) != 0 ? 1u : 0u,
        unpacked(s, 0), unpacked(s, 1),  unpacked(s, 2)};
    Bits bits = 0;
    for (std::size_t part = 0; part < kParts; ++part) {
        const Field f = fields_[part];
        bits |= Bits{values[part] + 1u} << (f.byte * 8u + f.shift); // none: 0
    }
    static_assert(std::endian::native == std::endian::little, "read() takes the bytes as little-endian");
    std::memcpy(p.words, &bits, sizeof p.words); // the low 96 bits
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
    if (!incoming_) {
        return; // in order already
    }
    // No more entries come: the maps that gave them their ids go first.
    decltype(slotIds_)().swap(slotIds_);
    for (CodeSet* set : {&subjects, &activityTypes, &groups, &teachers, &rooms, &times}) {
        set->forgetKeys();
    }
    const std::size_t cells = cellsOfSlots();
    layOutFields();
    placeEntries(cells);
    orderMembers();
}

// The cell of each slot: the rank of its period among those of the week,
// then its day. Returns how many cells the week has.
std::size_t Timetable::cellsOfSlots() {
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
    return periods.size() * 8;
}

// Each value of an entry as wide as the largest of its kind needs.
void Timetable::layOutFields() {
    ids_[kSlot] = static_cast<std::uint32_t>(slots_.size());
    ids_[kIsTask] = 2;
    std::uint32_t at = 0;
    for (std::size_t part = 0; part < kParts; ++part) {
        const auto width = static_cast<std::uint32_t>(std::bit_width(ids_[part])); // holds the largest + 1
        fields_[part] = {static_cast<std::uint32_t>((std::uint64_t{1} << width) - 1),
                         static_cast<std::uint8_t>(at / 32 * 4), static_cast<std::uint8_t>(at % 32)};
        at += width;
    }
    if (at > 8 * sizeof(Packed)) {
        throw Error("El horario tiene más materias, grupos, profesores, aulas y franjas distintos de "
                    "los que su documento puede mostrar: no se escribe.");
    }
}

// The entries in cell order, by counting: each goes to the next place of its
// cell, as they come back in the order they were added, into blocks taken as
// the first entry reaches one. A week has few cells, so the writing goes on
// at few places at a time. The entries of each member's grid are counted on
// the way.
void Timetable::placeEntries(std::size_t cells) {
    std::vector<std::uint32_t> next(cells + 1, 0);
    for (const Slot& s : slots_) {
        next[s.cell + 1] += s.entries;
    }
    largestCell_ = *std::max_element(next.begin(), next.end());
    std::partial_sum(next.begin(), next.end(), next.begin());
    for (const Axis axis : kAxes) {
        const auto a = static_cast<std::size_t>(axis);
        gridPlaces_[a].assign(std::max<std::size_t>(codes(axis).size(), ids_[kGroup + a]), GridPlace{});
    }
    blocks_.resize((size_ + kBlockSize - 1) >> kBlockBits);
    incoming_->forEach([&](const char* bytes) {
        Stored s;
        std::memcpy(&s, bytes, sizeof s);
        for (int a = (s.slot & kTask) != 0 ? 1 : 0; a < 3; ++a) { // a task is in no group's grid
            if (const std::uint32_t m = unpacked(s, a); m != kNone) {
                ++gridPlaces_[static_cast<std::size_t>(a)][m].size;
            }
        }
        const std::uint32_t place = next[slots_[s.slot & ~kTask].cell]++;
        std::unique_ptr<Packed[]>& block = blocks_[place >> kBlockBits];
        if (!block) {
            block = std::make_unique<Packed[]>(kBlockSize + 1); // one more: read() reads past the last
        }
        pack(block[place & (kBlockSize - 1)], s);
    });
    incoming_.reset(); // and its temporary file
}

// The members that have a grid, by code, and where each grid lies among the
// entries of its axis: in the same order, so that the grids are read one
// after another as they are written.
void Timetable::orderMembers() {
    for (const Axis axis : kAxes) {
        const auto a = static_cast<std::size_t>(axis);
        const CodeSet& set = codes(axis);
        std::vector<std::pair<std::string_view, std::uint32_t>> byCode; // codes are unique
        for (std::uint32_t m = 0; m < set.size(); ++m) {
            if (gridPlaces_[a][m].size > 0) {
                byCode.emplace_back(set.code(m), m);
            }
        }
        std::sort(byCode.begin(), byCode.end());
        members_[a].clear();
        std::uint32_t start = 0;
        for (const auto& [code, m] : byCode) {
            members_[a].push_back(m);
            gridPlaces_[a][m].start = start;
            start += gridPlaces_[a][m].size;
        }
        // Ids beyond the codes (which an import never makes) have no grid
        // shown, but their entries still have their own place.
        for (std::size_t m = set.size(); m < gridPlaces_[a].size(); ++m) {
            gridPlaces_[a][m].start = start;
            start += gridPlaces_[a][m].size;
        }
        gridEntries_[a] = start;
    }
}

const std::vector<std::uint32_t>& Timetable::members(Axis axis) const {
    return members_[static_cast<std::size_t>(axis)];
}

void AxisGrids::build(const Timetable& timetable, Axis axis) {
    places_ = &timetable.gridPlaces(axis);
    if (timetable.gridEntries(axis) > entries_.capacity()) {
        entries_ = std::vector<std::uint32_t>(); // freed first, then room for exactly these
        entries_.reserve(timetable.gridEntries(axis));
    }
    entries_.resize(timetable.gridEntries(axis));
    std::vector<std::uint32_t> next(places_->size());
    for (std::size_t m = 0; m < next.size(); ++m) {
        next[m] = (*places_)[m].start;
    }
    timetable.eachMember(axis, [&](std::uint32_t i, std::uint32_t m) {
        if (m != kNone) {
            entries_[next[m]++] = i;
        }
    });
}

} // namespace vinculor::timetable
