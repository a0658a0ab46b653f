#pragma once

#include <ctime>
#include <string>

namespace vinculor::importing {

// "FechaExportacion": the date in the user's short date format, a blank, and
// the time in the long time format. Where the platform has no regional
// settings to ask: "dd/MM/yyyy H:mm:ss" (10/05/2019 9:05:00).
std::string exportTimestamp(std::time_t when);

} // namespace vinculor::importing
