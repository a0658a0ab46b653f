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
    // How the summary names a room: by its code, or its name where it has none.
    const auto shown = [](const XmlNode& room) {
        const std::string_view code = attr(room, coded::Codigo);
        return std::string(code.empty() ? attr(room, coded::Denominacion) : code);
    };
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        const XmlNode& room = rooms[r];
        const std::string_view name = attr(room, coded::Denominacion);
        const std::string_view original = attr(room, coded::Codigo);
        // A room without a code is known by the first ten characters of its name, as they are.
        const std::string code =
            used.take(original.empty() ? text::left(name, 10) : std::string(original), true);
        if (const std::size_t first = *used.firstGivenTo(code); first != r) {
            ctx.summary.codesShared.add("AULAT: «" + shown(room) + "» como «" + shown(rooms[first]) +
                                            "» → «" + code + "»",
                                        kListedLines);
        }

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
