#pragma once

#include "dbf/Table.h"
#include "run/RunSummary.h"
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
// out as they come (XmlChildStream).

// The lesson pass: one "actividad" per SOLUC record whose ASIG differs from
// its TAREA and whose group, subject and time slot are found.
void lessonPass(ActivityTables& tables, XmlChildStream& horario, RunSummary& summary);

// The task pass: one "actividad" per SOLUC record whose ASIG equals its TAREA
// and whose activity type and time slot are found.
void taskPass(ActivityTables& tables, XmlChildStream& horario, RunSummary& summary);

} // namespace vinculor::importing
