#include "export/ExportContext.h"
#include "export/FirstMatchMap.h"
#include "export/UsedCodeList.h"

#include <optional>
#include <string>
#include <unordered_set>

namespace vinculor::exporting {

void ExportarGrupos(ExportContext& ctx) {
    for (const char* name : {"GRUPOST", "CURSOST"}) {
        deleteTableFiles(ctx.dir, name);
    }
    UsedCodeList used;
    Table table(ctx.dir, "GRUPOST");
    table.create({
        {"ABREV", FieldType::Character, 10},
        {"TURNO", FieldType::Character, 1},
        {"NIVEL", FieldType::Character, 5},
        {"CURSO", FieldType::Character, 3},
        {"GRUPO", FieldType::Character, 2},
        {"DESCRIP", FieldType::Character, 80},
        {"MARCO", FieldType::Character, 1},
        {"TUTOR", FieldType::Character, 10},
    });

    Table& teachers = ctx.state.tables.wwTableProfesor;
    teachers.open();
    std::optional<std::unordered_set<std::string>> teacherCodes;
    const XmlNodeList groups = ctx.doc.selectNodes("/Centro/Grupos/Grupo");
    const FirstMatchMap teachings(ctx.doc, "/Centro/Ensenanzas/Ensenanza");
    table.open();
    for (const XmlNode& group : groups) {
        const std::string original = attr(group, "Codigo");
        std::string description = attr(group, "Denominacion");
        const std::string level = attr(group, "CodigoEnsenanza");
        const std::string shift = attr(group, "Turno");
        const std::string course = attr(group, "Curso");
        const std::string letter = attr(group, "Letra");
        std::string tutor = attr(group, "CodigoTutor");

        if (!tutor.empty()) {
            if (!teacherCodes) {
                // PROFT's codes, read once in one walk over the table; a code
                // is found when some record has it, as a search from the first
                // record would find it.
                teacherCodes.emplace();
                for (teachers.first(); !teachers.eof(); teachers.next()) {
                    teacherCodes->insert(teachers.getText("ABREV"));
                }
            }
            if (teacherCodes->count(tutor) == 0) {
                ctx.summary.tutorsNotFound.push_back(original + ": " + tutor);
                tutor.clear();
            }
        }
        if (!level.empty()) {
            if (const std::string* teaching = teachings.find(level)) {
                description += " (" + *teaching + ")";
            } else {
                ctx.summary.teachingsNotFound.push_back(original + ": " + level);
            }
        }

        const std::string code = used.take(original, true);

        table.append();
        table.setText("ABREV", code);
        table.setText("TURNO", shift);
        table.setText("NIVEL", level);
        table.setText("CURSO", course);
        table.setText("GRUPO", letter);
        table.setText("DESCRIP", description);
        table.setText("MARCO", "0");
        table.setText("TUTOR", tutor);
        table.post();

        if (code != original) {
            ctx.summary.codeChanges.push_back({"GRUPOST", original, code});
        }
    }
    ctx.summary.setTableCount("GRUPOST", table.recordCount());
    table.close();
    teachers.close();
}

} // namespace vinculor::exporting
