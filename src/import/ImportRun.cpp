#include "import/ImportRun.h"

#include "services/Error.h"

namespace vinculor::importing {

RunOutcome runImport(RunState& /*state*/, RunUi& /*ui*/) {
    throw Error("La importación aún no está disponible.");
}

} // namespace vinculor::importing
