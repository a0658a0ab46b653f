#include "base/Error.h"
#include "export/ExportContext.h"
#include "export/SessionTime.h"

#include <unordered_map>

namespace vinculor::exporting {

void ExportarMateriasGrupo(ExportContext& ctx, const SessionLengths& lengths) {
    deleteTableFiles(ctx.dir, "ASIGT");
    Table table(ctx.dir, "ASIGT");
    table.create({
        {"CASIG", FieldType::Character, 10},
        {"CPROF", FieldType::Character, 10},
        {"CGRUP", FieldType::Character, 10},
        {"CAULA", FieldType::Character, 10},
        {"TURNO", FieldType::Character, 1},
        {"NIVEL", FieldType::Character, 5},
        {"CURSO", FieldType::Character, 3},
        {"GRUPO", FieldType::Character, 2},
        {"HORAS", FieldType::Float, 0},
        {"SESIONES", FieldType::Character, 20},
        {"NCONEX", FieldType::Character, 4},
        {"CTAREA", FieldType::Character, 10},
        {"ASIG_GESTION", FieldType::Character, 10},
    });
    table.open();
    // Held for the timetabling program's sake while ASIGT is written; nothing is read.
    ctx.state.tables.wwTableGrupos.open();
    ctx.state.tables.wwTableNomAsg.open();

    const XmlNodeList groups = ctx.doc.selectNodes("/Centro/Grupos/Grupo");
    const XmlNodeList subjects = ctx.doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo");

    // Every time value first, so that a bad Horas anywhere stops the run before
    // any record. The subjects come in document order, which is group by
    // group; the subjects of group g are those from firstOf[g] to firstOf[g + 1].
    std::vector<float> times;
    std::vector<std::size_t> firstOf;
    std::unordered_map<std::string, std::vector<std::size_t>> groupsByCode;
    if (!groups.empty()) {
        times.reserve(subjects.size());
        for (const XmlNode& subject : subjects) {
            try {
                times.push_back(sessionTime(attr(subject, "Horas"), lengths));
            } catch (const Error& e) {
                const std::size_t g = subject.owner();
                const std::string group = g < groups.size() ? attr(groups[g], "Codigo") : std::string();
                throw Error(std::string(e.what()) + "\nEn el grupo «" + group + "», materia «" +
                            attr(subject, "Codigo") +
                            "», atributo «Horas»: escriba las horas como número (por ejemplo 2,5) en "
                            "Pincel-eKade y vuelva a exportar.");
            }
        }
        firstOf.reserve(groups.size() + 1);
        std::size_t next = 0;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            firstOf.push_back(next);
            while (next < subjects.size() && subjects[next].owner() == g) {
                ++next;
            }
            groupsByCode[attr(groups[g], "Codigo")].push_back(g);
        }
        firstOf.push_back(next);
    }

    // Group by group; a group code that repeats writes the subjects of every
    // group with that code, once for each of them.
    const Table::Field casig = table.field("CASIG"), cprof = table.field("CPROF"),
                       cgrup = table.field("CGRUP"), caula = table.field("CAULA"),
                       turno = table.field("TURNO"), nivel = table.field("NIVEL"),
                       curso = table.field("CURSO"), grupo = table.field("GRUPO"),
                       horas = table.field("HORAS"), sesiones = table.field("SESIONES"),
                       ctarea = table.field("CTAREA"), gestion = table.field("ASIG_GESTION");
    for (const XmlNode& group : groups) {
        const std::string code = attr(group, "Codigo");
        const std::string shift = attr(group, "Turno");
        const std::string level = attr(group, "CodigoEnsenanza");
        const std::string course = attr(group, "Curso");
        const std::string letter = attr(group, "Letra");
        for (const std::size_t holder : groupsByCode[code]) {
            for (std::size_t index = firstOf[holder]; index < firstOf[holder + 1]; ++index) {
                const float time = times[index];
                const std::string subject = attr(subjects[index], "Codigo");
                if (subject.empty()) {
                    continue;
                }
                table.append();
                table.setText(casig, subject);
                table.setText(cprof, "");
                table.setText(cgrup, code);
                table.setText(caula, "");
                table.setText(turno, shift);
                table.setText(nivel, level);
                table.setText(curso, course);
                table.setText(grupo, letter);
                table.setDouble(horas, static_cast<double>(time));
                table.setText(sesiones, sessionPattern(time));
                table.setText(ctarea, "CCM");
                table.setText(gestion, code);
                table.post();
            }
        }
    }

    ctx.summary.setTableCount("ASIGT", table.recordCount());
    table.close();
    ctx.state.tables.wwTableGrupos.close();
    ctx.state.tables.wwTableNomAsg.close();
}

} // namespace vinculor::exporting
