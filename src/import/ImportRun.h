#pragma once

#include "run/RunState.h"
#include "run/RunUi.h"

namespace vinculor::importing {

// The "Importar" run: reads the computed timetable (SOLUC) and the export's
// tables and writes "ResultadoHoravia" + the input's file name beside the input.
// Errors are thrown (vinculor::Error) after the cursor is restored and every
// table is closed; no output file is created or changed then.
RunOutcome runImport(RunState& state, RunUi& ui);

} // namespace vinculor::importing
