#include "TimetableFixture.h"

#include "support/TableDump.h"

namespace vinculor::testing {

TimetableFixture::TimetableFixture() {
    state.horaviaDir = htemp.path();
    state.tables.bindAll(htemp.path());
    writeText(schoolFile(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Centro Codigo=\"38009\" Nombre=\"IES Ñandú &amp; &lt;Co&gt;\" CursoEscolar=\"2026/2027\" "
              "Version=\"1\">\n"
              "<Materias>\n"
              "<Materia Codigo=\"MAT\" Denominacion=\"Matemáticas &lt;b&gt;I&lt;/b&gt;\"/>\n"
              "<Materia Codigo=\"LCL\" Denominacion=\"Lengua &quot;Castellana&quot; &amp; Literatura\"/>\n"
              "<Materia Codigo=\"ING\" Denominacion=\"Inglés\"/>\n"
              "</Materias>\n"
              "<TiposActividad>\n"
              "<TipoActividad Codigo=\"GUARDIA\" Denominacion=\"Guardia de recreo\"/>\n"
              "<TipoActividad Codigo=\"REU\" Denominacion=\"Reunión\"/>\n"
              "</TiposActividad>\n"
              "<Profesores>\n"
              "<Profesor Codigo=\"P1\" Nombre=\"Ana\" Apellido1=\"García\" Apellido2=\"Núñez\"/>\n"
              "<Profesor Codigo=\"P2\" Nombre=\"Luis\" Apellido1=\"O'Brien\" Apellido2=\"\"/>\n"
              "<Profesor Codigo=\"P3\" Nombre=\"Eva\" Apellido1=\"Díaz\" Apellido2=\"Pérez\"/>\n"
              "<Profesor Codigo=\"P4\" Nombre=\"Íñigo\" Apellido1=\"Sáez\" Apellido2=\"Gil\"/>\n"
              "</Profesores>\n"
              "<Aulas>\n"
              "<Aula Codigo=\"A1\" Denominacion=\"Aula 1\"/>\n"
              "<Aula Codigo=\"A2\" Denominacion=\"Laboratorio &lt;FQ&gt;\"/>\n"
              "<Aula Codigo=\"A3\" Denominacion=\"Gimnasio\"/>\n"
              "</Aulas>\n"
              "<Grupos>\n"
              "<Grupo Codigo=\"G1\" Denominacion=\"1º ESO A\"><MateriasGrupo>"
              "<MateriaGrupo Codigo=\"MAT\" Horas=\"03,00\"/><MateriaGrupo Codigo=\"LCL\" Horas=\"02,00\"/>"
              "</MateriasGrupo></Grupo>\n"
              "<Grupo Codigo=\"G2\" Denominacion=\"1º ESO B\"><MateriasGrupo>"
              "<MateriaGrupo Codigo=\"MAT\" Horas=\"01,00\"/><MateriaGrupo Codigo=\"ING\" Horas=\"02,00\"/>"
              "</MateriasGrupo></Grupo>\n"
              "<Grupo Codigo=\"G3\" Denominacion=\"2º ESO A\"><MateriasGrupo>"
              "<MateriaGrupo Codigo=\"ING\" Horas=\"01,00\"/><MateriaGrupo Codigo=\"LCL\" Horas=\"02,00\"/>"
              "</MateriasGrupo></Grupo>\n"
              "</Grupos>\n"
              "<Sesiones>\n"
              "<Sesion Dia=\"L\" HoraInicio=\"08:00\" HoraFin=\"08:55\"/>\n"
              "<Sesion Dia=\"L\" HoraInicio=\"08:55\" HoraFin=\"09:50\"/>\n"
              "</Sesiones>\n"
              "</Centro>\n");

    createTable(htemp.path(), "GRUPOST", {{"ABREV", FieldType::Character, 10}}, {{"G1"}, {"G2"}, {"G3"}});
    writeSubjects({{"MAT", "MAT", "F"},
                   {"LCL", "LCL", "F"},
                   {"ING", "ING", "F"},
                   {"GUARDIA", "GUARDIA", "T"},
                   {"REU", "REU", "T"}});
    createTable(htemp.path(), "PROFT", {{"ABREV", FieldType::Character, 10}},
                {{"P1"}, {"P2"}, {"P3"}, {"P4"}, {"PX"}});
    createTable(htemp.path(), "AULAT",
                {{"ABREV", FieldType::Character, 10}, {"ABREV_GESTION", FieldType::Character, 20}},
                {{"A1", "A1"}, {"A2", "A2"}, {"A3", "A3"}});
    createTable(htemp.path(), "DIASHORAST",
                {{"DIHO", FieldType::Character, 10},
                 {"HORADESDE", FieldType::Character, 8},
                 {"HORAHASTA", FieldType::Character, 8}},
                {{"11", "08:00", "08:55"},
                 {"12", "08:55", "09:50"},
                 {"21", "08:00", "08:55"},
                 {"22", "08:55", "09:50"},
                 {"31", "08:00", "08:55"},
                 {"32", "08:55", "09:50"},
                 {"41", "08:00", "08:55"}});
    createTable(htemp.path(), "ASIGT", {{"CASIG", FieldType::Character, 10}}, {});
}

void TimetableFixture::writeSubjects(const std::vector<std::vector<std::string>>& records) {
    createTable(htemp.path(), "ASIGNOMT",
                {{"COD", FieldType::Character, 10},
                 {"ABREV_GESTION", FieldType::Character, 10},
                 {"ESTAREA", FieldType::Boolean, 0}},
                records);
}

void TimetableFixture::writeSoluc(const std::vector<std::vector<std::string>>& records) {
    createTable(htemp.path(), "SOLUC",
                {{"ASIG", FieldType::Character, 10},
                 {"TAREA", FieldType::Character, 10},
                 {"DIA", FieldType::Integer, 0},
                 {"HORA", FieldType::Float, 0},
                 {"CODGRUPO", FieldType::Character, 10},
                 {"PROF", FieldType::Character, 10},
                 {"AULA", FieldType::Character, 10}},
                records);
}

RunOutcome TimetableFixture::runImport() {
    ui.dialogAnswers = {schoolFile().string()};
    return importing::runImport(state, ui);
}

std::size_t occurrences(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

} // namespace vinculor::testing
