#include "export/AsignarCodigoCorto.h"

namespace vinculor::exporting {

void ExportarMaterias(ExportContext& ctx) {
    deleteTableFiles(ctx.dir, "ASIGNOMT");
    Table table(ctx.dir, "ASIGNOMT");
    table.create(asignomtFields());

    const XmlNodeList subjects = ctx.doc.selectNodes("/Centro/Materias/Materia");
    table.open();
    AsignomtTable asignomt(table);
    for (const XmlNode& subject : subjects) {
        AsignarCodigoCorto(ctx, asignomt, subject, SubjectKind::Materia);
    }
    reportSubjectsReturnedAlike(ctx);
    ctx.summary.setTableCount("ASIGNOMT", table.recordCount());
    table.close();
}

} // namespace vinculor::exporting
