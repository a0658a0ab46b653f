#pragma once

#include "timetable/TimetableCheck.h"

#include <filesystem>
#include <string>

namespace vinculor::timetable {

class SchoolNames;

// "HorarioHoravia" + the school file's name without its extension + ".html",
// beside the school's file (and the import's result).
std::filesystem::path timetableFileFor(const std::filesystem::path& schoolFile);

// Checks the timetable and writes its document to `path` in one step: a
// reader sees the earlier file or the whole new one. The grids, written
// first, wait in a temporary file beside it until the head is written.
// Failures throw vinculor::Error naming the file. The timetable must be indexed.
TimetableCheck saveTimetableDocument(const std::filesystem::path& path, const Timetable& timetable,
                                     const SchoolNames& names, const std::string& runDate);

} // namespace vinculor::timetable
