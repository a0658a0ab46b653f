#pragma once

#include "run/RunState.h"
#include "timetable/SchoolNames.h"
#include "timetable/Timetable.h"

#include <filesystem>
#include <string>

namespace vinculor::importing {

// Checks the timetable and writes its document beside the school's file,
// noting the check's counts and the file in the summary. A document that
// cannot be written leaves the result as it is: the reason goes to the
// summary and no earlier document stays to be taken for this one. The names
// of codes in `names` are let go on the way (SchoolNames::forgetNames).
void writeTimetable(const std::filesystem::path& schoolFile, timetable::Timetable& timetable,
                    timetable::SchoolNames& names, const std::string& runDate, RunSummary& summary);

// Removes the temporary files that interrupted writes of `document` left
// beside it, each noted in the summary as recovered.
void removeInterruptedWrites(const std::filesystem::path& document, RunSummary& summary);

// The "horario" command: the timetable document again, from the school's file
// and Horavia's tables (SOLUC and the export's tables), without the result.
// InputMissing when the school's file or SOLUC does not exist; other failures
// throw vinculor::Error.
RunOutcome runTimetable(const std::filesystem::path& schoolFile, const std::filesystem::path& horaviaDir,
                        RunSummary& summary);

} // namespace vinculor::importing
