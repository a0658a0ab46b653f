#include "export/ExportContext.h"
#include "export/FirstMatchMap.h"
#include "export/UsedCodeList.h"
#include "text/Text.h"

namespace vinculor::exporting {

void ExportarProfesores(ExportContext& ctx) {
    deleteTableFiles(ctx.dir, "PROFT");
    UsedCodeList used;
    Table table(ctx.dir, "PROFT");
    table.create({
        {"ABREV", FieldType::Character, 10},
        {"NOMBRE", FieldType::Character, 80},
        {"DEPART", FieldType::Character, 40},
        {"EMAIL", FieldType::Character, 100},
    });

    const XmlNodeList teachers = ctx.doc.selectNodes("/Centro/Profesores/Profesor");
    const FirstMatchMap departments(ctx.doc, "/Centro/Departamentos/Departamento");
    table.open();
    for (const XmlNode& teacher : teachers) {
        const std::string original = attr(teacher, "Codigo");
        const std::string name =
            attr(teacher, "Nombre") + ", " + attr(teacher, "Apellido1") + " " + attr(teacher, "Apellido2");
        std::string department = attr(teacher, "CodigoDep");
        if (!department.empty()) {
            if (const std::string* found = departments.find(department)) {
                department = *found;
            } else {
                ctx.summary.departmentsNotFound.push_back(department);
            }
        }

        const std::string code = used.take(original, false);

        table.append();
        table.setText("ABREV", code);
        table.setText("NOMBRE", name);
        table.setText("DEPART", department);
        table.post();

        if (const std::string written = text::left(code, 10); written != original) {
            ctx.summary.codeChanges.push_back({"PROFT", original, written});
        }
    }
    ctx.summary.setTableCount("PROFT", table.recordCount());
    table.close();
}

} // namespace vinculor::exporting
