#include "import/ImportFixture.h"

#include "import/SolucSchema.h"

namespace vinculor::testing {

ImportFixture::ImportFixture() {
    state.horaviaDir = htemp.path();
    state.tables.bindAll(htemp.path());
    schoolFile = (work / "centro.xml").string();
    writeText(schoolFile,
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- Pincel -->\n"
              "<Centro Version=\" 2.0 \" Codigo=\" 38001 \" Nombre=\"IES Ca\xF1"
              "ada\" "
              "CursoEscolar=\"2026/2027\" Otro=\"x\"><Materias><Materia Codigo=\"MAT\"/></Materias>"
              "</Centro>\n");

    createTable(htemp.path(), "GRUPOST", {{"ABREV", FieldType::Character, 10}},
                {{"1A"}, {"1ESOA"}, {"2BACHB"}});
    createTable(htemp.path(), "ASIGNOMT",
                {{"COD", FieldType::Character, 10},
                 {"ABREV_GESTION", FieldType::Character, 10},
                 {"ESTAREA", FieldType::Boolean, 0}},
                {{"MAT", "MAT-G", "F"},
                 {"LCL", "LCL-G", "F"},
                 {"EF", "EF-G", "F"},
                 {"GUARDIA", "GUARDIA-G", "T"},
                 {"NEG", "NEG-G", "T"},
                 {"MAT", "duplicado", "F"}});
    createTable(htemp.path(), "PROFT", {{"ABREV", FieldType::Character, 10}},
                {{"GARCIAJ"}, {"PEREZM1"}, {"NÚÑEZ"}});
    createTable(htemp.path(), "AULAT",
                {{"ABREV", FieldType::Character, 10}, {"ABREV_GESTION", FieldType::Character, 20}},
                {{"INF1", "AULA-INF-01"}, {"LAB", "LABFQ"}, {"GIM", "GIMNASIO"}, {"AULAÑ", "AULA-Ñ"}});
    createTable(htemp.path(), "DIASHORAST",
                {{"DIHO", FieldType::Character, 10},
                 {"HORADESDE", FieldType::Character, 8},
                 {"HORAHASTA", FieldType::Character, 8}},
                {{"11", "08:00", "08:55"},
                 {"13", "09:50", "10:45"},
                 {"32", "08:55", "09:50"},
                 {"54", "11:15", "12:10"},
                 {"210", "16:00", "16:55"},
                 {"-1-9", "00:00", "00:01"}});
    createTable(htemp.path(), "ASIGT", {{"CASIG", FieldType::Character, 10}}, {});
}

void ImportFixture::writeSoluc(const std::vector<std::vector<std::string>>& records) {
    // The period as numeric text, the day as an integer: both kinds Horavia writes.
    createTable(htemp.path(), "SOLUC", importing::solucSchema(FieldType::Integer, FieldType::Float), records);
}

RunOutcome ImportFixture::runImport() {
    ui.dialogAnswers = {schoolFile};
    return importing::runImport(state, ui);
}

std::vector<std::string> ImportFixture::activities() const {
    XmlDocument doc;
    doc.load(outputFile());
    std::vector<std::string> lines;
    for (const XmlNode& node : doc.selectNodes("/Centro/horario/actividad")) {
        std::string line;
        for (const pugi::xml_attribute& a : node.raw().attributes()) {
            if (!line.empty()) {
                line += ' ';
            }
            line.append(a.name()).append("=").append(a.value());
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace vinculor::testing
