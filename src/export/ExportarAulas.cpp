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
    for (const XmlNode& room : rooms) {
        const std::string name = attr(room, "Denominacion");
        const std::string original = attr(room, "Codigo");
        // A room without a code is known by the first ten characters of its name, as they are.
        const std::string code = used.take(original.empty() ? text::left(name, 10) : original, true);

        table.append();
        table.setText("ABREV", code);
        table.setText("NOMBRE", name);
        table.setText("ABREV_GESTION", attr(room, "Codigo"));
        table.post();

        if (code != original) {
            ctx.summary.codeChanges.push_back({"AULAT", original.empty() ? name : original, code});
        }
    }
    ctx.summary.setTableCount("AULAT", table.recordCount());
    table.close();
}

} // namespace vinculor::exporting
