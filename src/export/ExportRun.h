#pragma once

#include "run/RunState.h"
#include "run/RunUi.h"

namespace vinculor::exporting {

// The "Exportar" run: asks for the school-administration file, loads it and
// writes the timetabling program's seven tables. The steps write into a
// staging folder inside the Horavia directory; only when all of them have
// succeeded do the tables replace the old ones, so a failed run leaves the
// directory as it was. Errors are thrown (vinculor::Error) after the cursor is
// restored and every table is closed; the caller shows them.
RunOutcome runExport(RunState& state, RunUi& ui);

} // namespace vinculor::exporting
