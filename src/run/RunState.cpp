#include "run/RunState.h"

namespace vinculor {

void TableComponents::bindAll(const std::filesystem::path& directory) {
    wwTableNomAsg.bind(directory, "ASIGNOMT");
    wwTableProfesor.bind(directory, "PROFT");
    wwTableTramos.bind(directory, "DIASHORAST");
    wwTableAulas.bind(directory, "AULAT");
    wwTableGrupos.bind(directory, "GRUPOST");
    wwTableAsig.bind(directory, "ASIGT");
    wwTableSoluc.bind(directory, "SOLUC");
    wwTableCursos.bind(directory, "CURSOST");
}

void TableComponents::closeAllQuietly() noexcept {
    for (Table* table : {&wwTableNomAsg, &wwTableProfesor, &wwTableTramos, &wwTableAulas, &wwTableGrupos,
                         &wwTableAsig, &wwTableSoluc, &wwTableCursos}) {
        table->discard();
    }
}

} // namespace vinculor
