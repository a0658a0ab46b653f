#pragma once

#include <string>

namespace vinculor::timetable {

class HtmlWriter;
class SchoolNames;
class ShownNames;
class Timetable;
struct TimetableCheck;

// The timetable document: one self-contained Spanish HTML page with the
// school's header, the check, an index and one weekly grid per group,
// teacher and room (days as columns, time slots as rows), printed one grid
// per A4 landscape page. `runDate` is the date and time of the run.
void writeTimetableDocument(HtmlWriter& out, const Timetable& timetable, const TimetableCheck& check,
                            const SchoolNames& names, const std::string& runDate);
// The same with the names escaped already; of `names` it takes the school's
// code, name and year.
void writeTimetableDocument(HtmlWriter& out, const Timetable& timetable, const TimetableCheck& check,
                            const ShownNames& shown, const SchoolNames& names, const std::string& runDate);

} // namespace vinculor::timetable
