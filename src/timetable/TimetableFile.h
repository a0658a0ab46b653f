#pragma once

#include <filesystem>
#include <string>

namespace vinculor::timetable {

class SchoolNames;
class ShownNames;
class Timetable;
struct TimetableCheck;

// "HorarioHoravia" + the school file's name without its extension + ".html",
// beside the school's file (and the import's result).
std::filesystem::path timetableFileFor(const std::filesystem::path& schoolFile);

// Writes the document to `path` in one step: a reader sees the earlier file or
// the whole new one. Failures throw vinculor::Error naming the file.
void saveTimetableDocument(const std::filesystem::path& path, const Timetable& timetable,
                           const TimetableCheck& check, const ShownNames& shown, const SchoolNames& names,
                           const std::string& runDate);

} // namespace vinculor::timetable
