#include "export/ExportContext.h"
#include "export/FirstMatchMap.h"
#include "export/UsedCodeList.h"

#include <optional>
#include <string>

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
    std::optional<CodeSet> teacherCodes;
    const XmlNodeList groups = ctx.doc.selectNodes("/Centro/Grupos/Grupo");
    const FirstMatchMap teachings(ctx.doc, "/Centro/Ensenanzas/Ensenanza");
    table.open();
    const Table::Field abrev = table.field("ABREV"), turno = table.field("TURNO"),
                       nivel = table.field("NIVEL"), curso = table.field("CURSO"),
                       grupo = table.field("GRUPO"), descrip = table.field("DESCRIP"),
                       marco = table.field("MARCO"), tutorField = table.field("TUTOR");
    std::string description;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const XmlNode& group = groups[g];
        const std::string_view original = attr(group, group::Codigo);
        description.assign(attr(group, group::Denominacion));
        const std::string_view level = attr(group, group::CodigoEnsenanza);
        std::string_view tutor = attr(group, group::CodigoTutor);

        if (!tutor.empty()) {
            if (!teacherCodes) {
                // PROFT's codes, read once in one walk over the table; a code
                // is found when some record has it, as a search from the first
                // record would find it.
                teacherCodes.emplace();
                const Table::Field code = teachers.field("ABREV");
                for (teachers.first(); !teachers.eof(); teachers.next()) {
                    teacherCodes->insert(teachers.getText(code));
                }
            }
            if (teacherCodes->count(tutor) == 0) {
                ctx.summary.tutorsNotFound.push_back(std::string(original) + ": " + std::string(tutor));
                tutor = {};
            }
        }
        if (!level.empty()) {
            if (const std::string_view* teaching = teachings.find(level)) {
                description.append(" (").append(*teaching).append(")");
            } else {
                ctx.summary.teachingsNotFound.push_back(std::string(original) + ": " + std::string(level));
            }
        }

        const std::string code = used.take(original, true);
        if (const std::size_t first = *used.firstGivenTo(code); first != g) {
            ctx.summary.codesShared.add("GRUPOST: «" + std::string(original) + "» como «" +
                                            std::string(attr(groups[first], group::Codigo)) + "» → «" + code +
                                            "»",
                                        kListedLines);
        }

        table.append();
        table.setText(abrev, code);
        table.setText(turno, attr(group, group::Turno));
        table.setText(nivel, level);
        table.setText(curso, attr(group, group::Curso));
        table.setText(grupo, attr(group, group::Letra));
        table.setText(descrip, description);
        table.setText(marco, "0");
        table.setText(tutorField, tutor);
        table.post();

        if (code != original) {
            ctx.summary.codeChanges.push_back({"GRUPOST", std::string(original), code});
        }
    }
    ctx.summary.setTableCount("GRUPOST", table.recordCount());
    table.close();
    teachers.close();
}

} // namespace vinculor::exporting
