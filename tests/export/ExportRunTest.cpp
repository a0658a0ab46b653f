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
