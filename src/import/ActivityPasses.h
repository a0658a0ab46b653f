#pragma once

#include "dbf/Table.h"
#include "run/RunSummary.h"
#include "timetable/Timetable.h"
#include "xml/XmlChildStream.h"

namespace vinculor::importing {

// The open tables the passes read.
struct ActivityTables {
    Table& soluc;       // the computed timetable
    Table& grupos;      // GRUPOST
    Table& profesores;  // PROFT
    Table& aulas;       // AULAT
    Table& asignaturas; // ASIGNOMT
    Table& tramos;      // DIASHORAST
};

// Each pass appends its "actividad" elements to the "horario" element, written
// out as they come (XmlChildStream), where there is one, and gives the same
// activities, and the records it leaves out, to the timetable where there is one.

// The lesson pass: one "actividad" per SOLUC record whose ASIG differs from
// its TAREA and whose group, subject and time slot are found.
void lessonPass(ActivityTables& tables, XmlChildStream* horario, RunSummary& summary,
                timetable::Timetable* timetable = nullptr);

// The task pass: one "actividad" per SOLUC record whose ASIG equals its TAREA
// and whose activity type and time slot are found.
void taskPass(ActivityTables& tables, XmlChildStream* horario, RunSummary& summary,
              timetable::Timetable* timetable = nullptr);

} // namespace vinculor::importing
