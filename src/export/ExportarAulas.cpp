#include "export/ExportContext.h"
#include "export/UsedCodeList.h"
#include "text/Text.h"

namespace vinculor::exporting {

void ExportarAulas(ExportContext& ctx) {
    deleteTableFiles(ctx.dir, "AULAT");
    UsedCodeList used;
    Table table(ctx.dir, "AULAT");
    table.create({
        {"ABREV", FieldType::Character, 10},
        {"NOMBRE", FieldType::Character, 80},
        {"EDIFICIO", FieldType::Character, 1},
        {"MAXALUM", FieldType::Integer, 0},
        {"ABREV_GESTION", FieldType::Character, 20},
    });

    const XmlNodeList rooms = ctx.doc.selectNodes("/Centro/Aulas/Aula");
    table.open();
    const Table::Field abrev = table.field("ABREV"), nombre = table.field("NOMBRE"),
                       gestion = table.field("ABREV_GESTION");
    for (const XmlNode& room : rooms) {
        const std::string_view name = attr(room, coded::Denominacion);
        const std::string_view original = attr(room, coded::Codigo);
        // A room without a code is known by the first ten characters of its name, as they are.
        const std::string code =
            used.take(original.empty() ? text::left(name, 10) : std::string(original), true);

        table.append();
        table.setText(abrev, code);
        table.setText(nombre, name);
        table.setText(gestion, original);
        table.post();

        if (code != original) {
            ctx.summary.codeChanges.push_back(
                {"AULAT", std::string(original.empty() ? name : original), code});
        }
    }
    ctx.summary.setTableCount("AULAT", table.recordCount());
    table.close();
}

} // namespace vinculor::exporting
