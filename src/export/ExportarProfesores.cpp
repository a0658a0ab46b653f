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
    const Table::Field abrev = table.field("ABREV"), nombre = table.field("NOMBRE"),
                       depart = table.field("DEPART");
    std::string name;
    for (const XmlNode& teacher : teachers) {
        const std::string_view original = attr(teacher, teacher::Codigo);
        name.assign(attr(teacher, teacher::Nombre));
        name.append(", ").append(attr(teacher, teacher::Apellido1));
        name.append(" ").append(attr(teacher, teacher::Apellido2));
        std::string_view department = attr(teacher, teacher::CodigoDep);
        if (!department.empty()) {
            if (const std::string_view* found = departments.find(department)) {
                department = *found;
            } else {
                ctx.summary.departmentsNotFound.push_back(std::string(original) + ": " +
                                                          std::string(department));
            }
        }

        const std::string code = used.take(original, false);

        table.append();
        table.setText(abrev, code);
        table.setText(nombre, name);
        table.setText(depart, department);
        table.post();

        if (const std::string written = text::left(code, 10); written != original) {
            ctx.summary.codeChanges.push_back({"PROFT", std::string(original), written});
        }
    }
    ctx.summary.setTableCount("PROFT", table.recordCount());
    table.close();
}

} // namespace vinculor::exporting
