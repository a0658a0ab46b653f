#include "timetable/TimetableCheck.h"

namespace vinculor::timetable {

namespace {

bool compatible(Axis axis, const Entry& a, const Entry& b) {
    if (a.task != b.task || a.subject != b.subject) {
        return false;
    }
    if (axis == Axis::Room) {
        return a.group == b.group || a.teacher == b.teacher;
    }
    return a.room == b.room;
}

} // namespace

bool inTwoPlaces(Axis axis, std::span<const Entry> cell) {
    for (std::size_t i = 1; i < cell.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (!compatible(axis, cell[i], cell[j])) {
                return true;
            }
        }
    }
    return false;
}

} // namespace vinculor::timetable
