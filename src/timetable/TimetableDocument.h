#pragma once

#include "timetable/TimetableCheck.h"

#include <string>

namespace vinculor::timetable {

class HtmlWriter;
class SchoolNames;
class Timetable;

// The timetable document: one self-contained Spanish HTML page with the
// school's header, the check, an index and one weekly grid per group,
// teacher and room (days as columns, time slots as rows), printed one grid
// per A4 landscape page. `runDate` is the date and time of the run. The
// timetable is checked as its grids are written, so the grids go to `grids`
// first and the head (header, check and index) to `head` after them: the
// document is the head followed by the grids. Returns the check.
TimetableCheck writeTimetableDocument(HtmlWriter& head, HtmlWriter& grids, const Timetable& timetable,
                                      const SchoolNames& names, const std::string& runDate);

} // namespace vinculor::timetable
