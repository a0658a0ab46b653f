#include "ReliabilitySupport.h"

#include "export/ExportRun.h"
#include "support/ScriptedUi.h"
#include "text/Ascii.h"

#include <gtest/gtest.h>

namespace vinculor::testing {

namespace fs = std::filesystem;

fs::path exampleSchool() {
    return fs::path(VINCULOR_SOURCE_DIR) / "examples" / "centro-ejemplo.xml";
}

std::string earlierSchool() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<Centro Codigo="35009999" Nombre="IES Anterior" CursoEscolar="2025/2026" Version="3.1">
  <Materias><Materia Codigo="HIS" Denominacion="Historia"/><Materia Codigo="FIS" Denominacion="Física"/></Materias>
  <TiposActividad><TipoActividad Codigo="GUA" Denominacion="Guardia"/><TipoActividad Codigo="TUT" Denominacion="Tutoría"/></TiposActividad>
  <Profesores><Profesor Codigo="OLDPROF" Nombre="Olga"/><Profesor Codigo="OTROPROF" Nombre="Óscar"/></Profesores>
  <Aulas><Aula Codigo="VIEJA" Denominacion="Aula vieja"/><Aula Codigo="GIM" Denominacion="Gimnasio"/></Aulas>
  <Grupos><Grupo Codigo="4C" CodigoTutor="OLDPROF"><MateriasGrupo><MateriaGrupo Codigo="HIS" Horas="3"/></MateriasGrupo></Grupo>
          <Grupo Codigo="4D"/></Grupos>
  <Sesiones><Sesion Dia="L" HoraInicio="09:00" HoraFin="10:00"/><Sesion Dia="V" HoraInicio="10:00" HoraFin="11:00"/></Sesiones>
</Centro>
)";
}

void exportInto(const fs::path& school, const fs::path& htemp) {
    RunState state;
    state.horaviaDir = htemp;
    state.tables.bindAll(htemp);
    ScriptedUi ui;
    ui.dialogAnswers = {school.string()};
    ASSERT_EQ(exporting::runExport(state, ui), RunOutcome::Completed) << school;
}

void copyInto(const fs::path& from, const fs::path& to) {
    // File by file: MinGW's fs::copy refuses a directory that exists already.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / fs::relative(entry.path(), from);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

std::map<std::string, std::string> snapshotWithoutDates(const fs::path& dir) {
    std::map<std::string, std::string> files = snapshot(dir);
    for (auto& [name, bytes] : files) {
        const std::string upper = text::upperAscii(name);
        const bool table = upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".DBF") == 0;
        const bool index = upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".MDX") == 0;
        const auto blankDate = [&bytes](std::size_t from) {
            for (std::size_t at = from; at < from + 3 && at < bytes.size(); ++at) {
                bytes[at] = '\0';
            }
        };
        if (table || index) {
            blankDate(1);
        }
        if (index) {
            blankDate(44);
        }
    }
    return files;
}

std::string differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
    std::string out;
    for (const auto& [name, bytes] : before) {
        const auto now = after.find(name);
        if (now == after.end()) {
            out += "falta " + name + "\n";
        } else if (now->second != bytes) {
            out += "cambiado " + name + "\n";
        }
    }
    for (const auto& [name, bytes] : after) {
        if (before.count(name) == 0) {
            out += "nuevo " + name + "\n";
        }
    }
    return out;
}

} // namespace vinculor::testing
