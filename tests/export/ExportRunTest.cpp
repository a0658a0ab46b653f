#include "export/ExportRun.h"

#include "base/Error.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace vinculor::exporting {
namespace {

using testing::ScriptedUi;
using testing::snapshot;
using testing::TempDir;
using testing::writeText;

const char* const kSchool = R"(<?xml version="1.0" encoding="UTF-8"?>
<Centro Codigo="38001" Nombre="IES" CursoEscolar="2026" Version="1">
  <Materias><Materia Codigo="MAT" Denominacion="Matemáticas"/><Materia Codigo="LEN" Denominacion="Lengua"/></Materias>
  <TiposActividad><TipoActividad Codigo="GUA" Denominacion="Guardia"/></TiposActividad>
  <Profesores><Profesor Codigo="P1" Nombre="Ana"/><Profesor Codigo="P2" Nombre="Luis"/></Profesores>
  <Aulas><Aula Codigo="A1" Denominacion="Aula 1"/></Aulas>
  <Grupos><Grupo Codigo="1A" CodigoTutor="P1"><MateriasGrupo><MateriaGrupo Codigo="MAT" Horas="%HORAS%"/></MateriasGrupo></Grupo></Grupos>
  <Sesiones><Sesion Dia="L" HoraInicio="08:00" HoraFin="08:55"/><Sesion Dia="L" HoraInicio="08:55" HoraFin="09:50"/></Sesiones>
</Centro>
)";

std::string school(const std::string& horas = "02,00") {
    std::string xml = kSchool;
    xml.replace(xml.find("%HORAS%"), 7, horas);
    return xml;
}

class ExportRunTest : public ::testing::Test {
protected:
    TempDir work;
    TempDir htemp;
    RunState state;
    ScriptedUi ui;

    ExportRunTest() {
        state.horaviaDir = htemp.path();
        state.tables.bindAll(htemp.path());
    }

    std::string input(const std::string& content) {
        const auto path = work / "centro.xml";
        writeText(path, content);
        return path.string();
    }

    // Tables of an earlier export, and files that are none of ours.
    void prepareHoravia() {
        for (const char* name : {"ASIGNOMT.DBF", "PROFT.DBF", "ASIGT.DBF", "COUNTSES.DBF", "COUNTSES.MDX",
                                 "CURSOST.DBF", "cursost.mdx", "SOLUC.DBF", "otro.txt"}) {
            writeText(htemp / name, std::string("old ") + name);
        }
    }
};

TEST_F(ExportRunTest, CompletedRunReplacesTheTablesAndRemovesTheCourseTable) {
    prepareHoravia();
    ui.dialogAnswers = {input(school())};
    EXPECT_EQ(runExport(state, ui), RunOutcome::Completed);

    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(state.TransformStatus, 1);
    EXPECT_EQ(ui.closes, 0);
    EXPECT_FALSE(ui.hourglass);

    const auto files = snapshot(htemp.path());
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ASIGNOMT.DBF", "ASIGT.DBF", "AULAT.DBF", "COUNTSES.DBF",
                                               "COUNTSES.MDX", "DIASHORAST.DBF", "GRUPOST.DBF", "PROFT.DBF",
                                               "SOLUC.DBF", "otro.txt"}));
    EXPECT_EQ(files.at("SOLUC.DBF"), "old SOLUC.DBF");
    EXPECT_EQ(testing::dumpRows(htemp.path(), "ASIGNOMT", {"COD", "NOMBRE"}),
              (std::vector<std::string>{"MAT|Matemáticas", "LEN|Lengua", "GUA|Guardia"}));
    EXPECT_EQ(testing::dumpRows(htemp.path(), "GRUPOST", {"ABREV", "TUTOR"}),
              std::vector<std::string>{"1A|P1"});
    EXPECT_EQ(testing::dumpRows(htemp.path(), "ASIGT", {"CASIG", "HORAS"}),
              std::vector<std::string>{"MAT|2"});
}

TEST_F(ExportRunTest, CommandLineRunClosesTheWindowAfterEitherOutcome) {
    state.LaunchedWithParams = 2;
    EXPECT_EQ(runExport(state, ui), RunOutcome::InputMissing);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No existe archivo"});
    EXPECT_EQ(state.TransformStatus, -1);
    EXPECT_EQ(ui.closes, 1);
    EXPECT_EQ(ui.hourglassChanges, 0);

    ui.dialogAnswers = {input(school())};
    EXPECT_EQ(runExport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(state.TransformStatus, 1);
    EXPECT_EQ(ui.closes, 2);
}

TEST_F(ExportRunTest, MissingFileInteractivelyChangesNothing) {
    prepareHoravia();
    const auto before = snapshot(htemp.path());
    for (const std::optional<std::string>& answer : std::vector<std::optional<std::string>>{
             std::nullopt, (work / "borrado.xml").string(), work.path().string()}) {
        ui.dialogAnswers = {answer};
        EXPECT_EQ(runExport(state, ui), RunOutcome::InputMissing);
    }
    EXPECT_EQ(ui.messages, std::vector<std::string>(3, "No existe archivo"));
    EXPECT_EQ(state.TransformStatus, 0);
    EXPECT_EQ(ui.closes, 0);
    EXPECT_EQ(snapshot(htemp.path()), before);
}

TEST_F(ExportRunTest, ACancelledDialogExportsTheLastConfirmedFileAgain) {
    ui.dialogAnswers = {input(school())};
    runExport(state, ui);
    ui.dialogAnswers = {std::nullopt};
    EXPECT_EQ(runExport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(ui.messages, std::vector<std::string>(2, "Proceso finalizado"));
}

TEST_F(ExportRunTest, AFileWithoutSchoolDataIsRefusedAndTouchesNothing) {
    struct Case {
        const char* name;
        std::string content;
        std::string message;
    };
    const Case cases[] = {
        // The import's own result beside the school's file: a "Centro" root, no school data.
        {"import result",
         "<Centro Codigo='38001' Nombre='IES' CursoEscolar='2026' FechaExportacion='x' Version='1'><horario>"
         "<actividad/><actividad/></horario></Centro>",
         "no tiene datos del centro: ni materias, ni tipos de actividad, ni profesores, ni departamentos, ni "
         "aulas, ni grupos, ni enseñanzas, ni sesiones. No se ha tocado ninguna tabla.\nTiene un elemento "
         "«horario»: parece el resultado de una importación"},
        {"empty school", "<Centro Codigo='38001' Nombre='IES' CursoEscolar='2026' Version='1'/>",
         "no tiene datos del centro"},
        {"families without elements", "<Centro><Materias/><Profesores></Profesores><Aulas/></Centro>",
         "no tiene datos del centro"},
    };
    prepareHoravia();
    const auto before = snapshot(htemp.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.dialogAnswers = {input(c.content)};
        try {
            runExport(state, ui);
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(snapshot(htemp.path()), before);
        EXPECT_FALSE(ui.hourglass);
        EXPECT_EQ(state.TransformStatus, 0);
    }
}

// Two codes that differ only in a character the tables cannot hold would
// become one; and the import could not give such a code back.
TEST_F(ExportRunTest, ACodeTheTablesCannotHoldIsRefusedAndTouchesNothing) {
    struct Case {
        std::string from, to; // in the school above
        std::string message;
    };
    const Case cases[] = {
        {"Materia Codigo=\"MAT\"", "Materia Codigo=\"MAŁ\"",
         "El código «MAŁ» de una materia (Materia) del archivo «"},
        // Shown by its number too: a control or zero-width character shows as nothing.
        {"Materia Codigo=\"LEN\"", "Materia Codigo=\"L\u200bEN\"",
         "tiene en la posición 2 el carácter «\u200b» (U+200B)"},
        {"Materia Codigo=\"LEN\"", "Materia Codigo=\"LE\u0096N\"", "«\u0096» (U+0096), que las tablas"},
        // A room without a code is known by the first ten characters of its name.
        {"Aula Codigo=\"A1\" Denominacion=\"Aula 1\"", "Aula Codigo=\"\" Denominacion=\"Aula Ω\"",
         "El nombre «Aula Ω» de un aula (Aula) sin código del archivo «"},
        // A room's code is kept whole up to twenty characters, and a code of
        // more than ten keeps its last two in Horavia's own.
        {"Aula Codigo=\"A1\"", "Aula Codigo=\"LABORATORIO-QUIMIΩ\"", "en la posición 18 el carácter «Ω»"},
        {"Aula Codigo=\"A1\"", "Aula Codigo=\"LABORATORIO-QUIMICA-Ω\"", "en la posición 21 el carácter «Ω»"},
        {"Materia Codigo=\"MAT\"", "Materia Codigo=\"MATEMATICAΩ\"", "en la posición 11 el carácter «Ω»"},
        {"Grupo Codigo=\"1A\"", "Grupo Codigo=\"1ESO-BILINGŁ\"", "en la posición 12 el carácter «Ł»"},
        {"TipoActividad Codigo=\"GUA\"", "TipoActividad Codigo=\"GUA中\"",
         "El código «GUA中» de un tipo de actividad (TipoActividad)"},
        {"Profesor Codigo=\"P2\"", "Profesor Codigo=\"PĆ\"", "El código «PĆ» de un profesor (Profesor)"},
        {"Aula Codigo=\"A1\"", "Aula Codigo=\"AΩ\"", "El código «AΩ» de un aula (Aula)"},
        {"Grupo Codigo=\"1A\"", "Grupo Codigo=\"1Ș\"", "El código «1Ș» de un grupo (Grupo)"},
    };
    prepareHoravia();
    const auto before = snapshot(htemp.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        std::string xml = school();
        xml.replace(xml.find(c.from), c.from.size(), c.to);
        ui.dialogAnswers = {input(xml)};
        try {
            runExport(state, ui);
            ADD_FAILURE();
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
            EXPECT_NE(message.find("que las tablas de Horavia no pueden guardar: quedaría como «"),
                      std::string::npos)
                << message;
            EXPECT_EQ(message.find("U+0096") != std::string::npos,
                      message.find("Es un carácter de control") != std::string::npos)
                << message;
        }
        EXPECT_EQ(snapshot(htemp.path()), before);
        EXPECT_EQ(state.TransformStatus, 0);
    }

    // What the tables do not keep of a code (or of the name that stands for
    // it) may have any character.
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"Profesor Codigo=\"P2\"", "Profesor Codigo=\"PROFESORA-Ł\""},
             {"Aula Codigo=\"A1\" Denominacion=\"Aula 1\"",
              "Aula Codigo=\"\" Denominacion=\"Laboratorio Ω\""},
             {"Materia Codigo=\"MAT\"", "Materia Codigo=\"MATEMATICAS-Ω-12\""},
         }) {
        SCOPED_TRACE(to);
        std::string xml = school();
        xml.replace(xml.find(from), from.size(), to);
        ui.dialogAnswers = {input(xml)};
        EXPECT_EQ(runExport(state, ui), RunOutcome::Completed);
        for (const auto& [table, keys] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"ASIGNOMT", {"COD", "CODLARGO", "ABREV_GESTION"}},
                 {"PROFT", {"ABREV"}},
                 {"AULAT", {"ABREV", "ABREV_GESTION"}},
                 {"GRUPOST", {"ABREV"}}}) {
            for (const std::string& row : testing::dumpRows(htemp.path(), table, keys)) {
                EXPECT_EQ(row.find('?'), std::string::npos) << table << ": " << row;
            }
        }
    }

    // A name is only shown: it goes with '?' where the tables lack its character.
    std::string xml = school();
    xml.replace(xml.find("Nombre=\"Luis\""), 13, "Nombre=\"Łukasz\"");
    ui.dialogAnswers = {input(xml)};
    EXPECT_EQ(runExport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(testing::dumpRows(htemp.path(), "PROFT", {"ABREV", "NOMBRE"}),
              (std::vector<std::string>{"P1|Ana,", "P2|?ukasz,"}));
}

TEST_F(ExportRunTest, EmptyCentroIsNotTakenForTheImportsResult) {
    ui.dialogAnswers = {input("<Centro/>")};
    try {
        runExport(state, ui);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).find("horario"), std::string::npos) << e.what();
    }
}

TEST_F(ExportRunTest, ASchoolWithOnlySomeFamiliesStillExports) {
    // One family, even of a single element (which gives no record), is school data.
    for (const char* body : {"<Aulas><Aula Codigo='A1'/><Aula Codigo='A2'/></Aulas>",
                             "<Sesiones><Sesion Dia='L' HoraInicio='08:00' HoraFin='08:55'/></Sesiones>",
                             "<Departamentos><Departamento Codigo='D1'/></Departamentos><horario/>"}) {
        SCOPED_TRACE(body);
        ui = ScriptedUi{};
        ui.dialogAnswers = {input(std::string("<Centro>") + body + "</Centro>")};
        EXPECT_EQ(runExport(state, ui), RunOutcome::Completed);
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    }
}

TEST_F(ExportRunTest, ProgressComesStepByStepAndTheSummarySaysWhere) {
    const std::string file = input(school());
    ui.dialogAnswers = {file};
    ASSERT_EQ(runExport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(
        ui.progressReports,
        (std::vector<std::string>{"0/9 Leyendo el archivo XML", "1/9 Preparando la carpeta de Horavia",
                                  "2/9 Materias (ASIGNOMT)", "3/9 Tipos de actividad (ASIGNOMT)",
                                  "4/9 Profesores (PROFT)", "5/9 Aulas (AULAT)", "6/9 Grupos (GRUPOST)",
                                  "7/9 Sesiones (DIASHORAST, COUNTSES)", "8/9 Materias de grupo (ASIGT)"}));
    EXPECT_EQ(state.summary.inputFile, file);
    EXPECT_EQ(state.summary.horaviaDir, htemp.path().string());
    const std::string text = ui.details.front();
    EXPECT_NE(text.find("Archivo XML: " + file + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Directorio de Horavia: " + htemp.path().string() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PROFT: 2 registros"), std::string::npos) << text;

    // A missing file: the second line names the path looked at and the help's page of messages.
    ui = ScriptedUi{};
    ui.dialogAnswers = {(work / "borrado.xml").string()};
    EXPECT_EQ(runExport(state, ui), RunOutcome::InputMissing);
    ASSERT_EQ(ui.messages, std::vector<std::string>{"No existe archivo"});
    EXPECT_NE(ui.details.front().find("«" + (work / "borrado.xml").string() + "»"), std::string::npos);
    EXPECT_NE(ui.details.front().find("mensajes.html"), std::string::npos);
    EXPECT_TRUE(ui.progressReports.empty());
}

TEST_F(ExportRunTest, ASecondRunWritesIdenticalTables) {
    ui.dialogAnswers = {input(school())};
    runExport(state, ui);
    const auto first = testing::dumpRows(htemp.path(), "ASIGNOMT");
    ui.dialogAnswers = {std::nullopt};
    runExport(state, ui);
    EXPECT_EQ(testing::dumpRows(htemp.path(), "ASIGNOMT"), first);
    EXPECT_EQ(first.size(), 3u);
}

} // namespace
} // namespace vinculor::exporting
