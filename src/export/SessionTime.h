#pragma once

#include <string>
#include <string_view>

namespace vinculor::exporting {

struct SessionLengths {
    int first = 0;
    int second = 0;
    int third = 0;
};

// The weekly time of a group's subject, from its Horas text ('03,00', '02,50'):
// whole hours stay hours; otherwise the number of sessions of the first session
// length it fills exactly, else the hours rounded up. Computed in 32-bit
// floating point, as the timetabling program keeps it.
float sessionTime(std::string_view horas, const SessionLengths& lengths);

// The session pattern of a time value: one '1' per session, at most thirteen,
// preceded by the number of sessions beyond thirteen.
std::string sessionPattern(float value);

} // namespace vinculor::exporting
