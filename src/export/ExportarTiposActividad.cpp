#include "export/AsignarCodigoCorto.h"

namespace vinculor::exporting {

// Appends the activity types to the ASIGNOMT that ExportarMaterias has just made.
void ExportarTiposActividad(ExportContext& ctx) {
    Table table(ctx.dir, "ASIGNOMT");
    const XmlNodeList types = ctx.doc.selectNodes("/Centro/TiposActividad/TipoActividad");
    table.open();
    AsignomtTable asignomt(table);
    for (const XmlNode& type : types) {
        AsignarCodigoCorto(ctx, asignomt, type, SubjectKind::TipoActividad);
    }
    ctx.summary.setTableCount("ASIGNOMT", table.recordCount());
    table.close();
}

} // namespace vinculor::exporting
