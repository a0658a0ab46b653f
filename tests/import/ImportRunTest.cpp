#include "base/Error.h"
#include "files/TableLock.h"
#include "import/ImportFixture.h"

#include <regex>

namespace vinculor::importing {
namespace {

using testing::ImportFixture;
using testing::readText;
using testing::snapshot;
using testing::writeText;

std::string lesson(const std::string& prof, const std::string& group, const std::string& subject,
                   const std::string& room, const std::string& day, const std::string& from,
                   const std::string& to, const std::string& tipo = "CCM") {
    return "tipo=" + tipo + " codigoProfesor=" + prof + " codigoGrupo=" + group +
           " codigoMateria=" + subject + " codigoAula=" + room + " dia=" + day + " HoraInicio=" + from +
           " HoraFin=" + to;
}

std::string task(const std::string& tipo, const std::string& prof, const std::string& group,
                 const std::string& room, const std::string& day, const std::string& from,
                 const std::string& to) {
    return "tipo=" + tipo + " codigoProfesor=" + prof + " codigoGrupo=" + group +
           " codigoMateria= codigAula=" + room + " dia=" + day + " HoraInicio=" + from + " HoraFin=" + to;
}

class ImportRunTest : public ImportFixture {};

TEST_F(ImportRunTest, EveryRecordBecomesAnActivityOrIsSkippedByItsRule) {
    writeSoluc({
        // ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA
        {"GUARDIA", "GUARDIA", "5", "4", "", "NÚÑEZ", ""},      // a task first in SOLUC, with no group
        {"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"},   // lesson
        {"MAT", "CCM", "0", "1", "1ESOA", "GARCIAJ", "INF1"},   // day 0
        {"MAT", "CCM", "1", "0", "1ESOA", "GARCIAJ", "INF1"},   // slot 0
        {"MAT", "CCM", "1", "", "1ESOA", "GARCIAJ", "INF1"},    // empty slot reads 0
        {"MAT", "CCM", "1", "1", "9Z", "GARCIAJ", "INF1"},      // unknown group
        {"MAT", "CCM", "1", "1", "1esoa", "GARCIAJ", "INF1"},   // group in another letter case
        {"XYZ", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"},   // unknown subject
        {"MAT", "CCM", "4", "4", "1ESOA", "GARCIAJ", "INF1"},   // no such slot
        {"MAT", "CCM", "1", "1.5", "1ESOA", "GARCIAJ", "INF1"}, // a fractional slot matches no key
        {"EF", "CCM", "2", "10", "2BACHB", "NADIE", "NINGUNA"}, // slot 210; unknown teacher and room
        {"MAT", "CCM", "1", "3", "1A", "", ""},                 // slot 13
        {"MAT", "CCM", "1", "3", "1A", "", ""},                 // identical: kept twice
        {"LCL", "LCL", "3", "2", "2BACHB", "PEREZM1", "AULAÑ"}, // task with group and room
        {"NEG", "NEG", "-1", "-9", "X", "", ""},                // day outside 1..7: empty letter
        {"XYZ", "XYZ", "1", "1", "", "", ""},                   // task of an unknown activity type
        {"mat", "MAT", "1", "1", "1ESOA", "", ""},              // ASIG and TAREA differ in case: a lesson
    });
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::vector<std::string> expected = {
        lesson("GARCIAJ", "1ESOA", "MAT-G", "AULA-INF-01", "L", "08:00", "08:55"),
        lesson("", "2BACHB", "EF-G", "", "M", "16:00", "16:55"),
        lesson("", "1A", "MAT-G", "", "L", "09:50", "10:45"),
        lesson("", "1A", "MAT-G", "", "L", "09:50", "10:45"),
        task("GUARDIA", "NÚÑEZ", "", "", "V", "11:15", "12:10"),
        task("LCL", "PEREZM1", "2BACHB", "AULA-Ñ", "X", "08:55", "09:50"),
        task("NEG", "", "X", "", "", "00:00", "00:01"),
    };
    EXPECT_EQ(activities(), expected);
    EXPECT_EQ(state.summary.lessons, 4u);
    EXPECT_EQ(state.summary.tasks, 3u);
    EXPECT_EQ(state.summary.skippedDayOrSlotZero, 3u);
    EXPECT_EQ(state.summary.skippedGroupNotFound, 2u);
    EXPECT_EQ(state.summary.skippedSubjectNotFound, 3u);
    EXPECT_EQ(state.summary.skippedSlotNotFound, 2u);
}

TEST_F(ImportRunTest, TheDocumentKeepsItsDeclarationAndCarriesTheTrimmedHeader) {
    writeSoluc({});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(
        ui.messages,
        (std::vector<std::string>{
            "Deberá Abrir el fichero XML de PINCEL-Ekade,\r\ndesde el cual realizó la Importación a Horavia",
            "Proceso finalizado"}));
    EXPECT_EQ(state.TransformStatus, 1);
    EXPECT_FALSE(ui.hourglass);
    EXPECT_EQ(ui.progressReports,
              (std::vector<std::string>{"0/6 Abriendo las tablas de Horavia", "1/6 Leyendo el archivo XML",
                                        "2/6 Clases (SOLUC)", "3/6 Tareas (SOLUC)",
                                        "4/6 Guardando el resultado", "5/6 Escribiendo el horario"}));
    // The report names the three places the run worked with.
    for (const std::string& line :
         {"Archivo XML: " + schoolFile, "Directorio de Horavia: " + htemp.path().string(),
          "Documento: " + outputFile().string()}) {
        EXPECT_NE(ui.details.back().find(line + "\n"), std::string::npos) << line << "\n"
                                                                          << ui.details.back();
    }

    const std::string saved = readText(outputFile());
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", 0), 0u) << saved;
    EXPECT_NE(saved.find("<!-- Pincel -->"), std::string::npos);
    const std::regex header(
        "<Centro Codigo=\"38001\" Nombre=\"IES Ca\xF1"
        "ada\" CursoEscolar=\"2026/2027\" "
        "FechaExportacion=\"\\d\\d/\\d\\d/\\d{4} \\d{1,2}:\\d\\d:\\d\\d\" Version=\"2.0\">\\s*"
        "<horario />\\s*</Centro>\\s*$");
    EXPECT_TRUE(std::regex_search(saved, header)) << saved;
}

TEST_F(ImportRunTest, TheOutputNameKeepsTheInputsCaseAndASecondImportReplacesIt) {
    writeSoluc({{"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"}});
    const auto upper = work / "Centro.XML";
    std::filesystem::rename(schoolFile, upper);
    schoolFile = upper.string();
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const auto output = work / "ResultadoHoraviaCentro.XML";
    ASSERT_TRUE(std::filesystem::exists(output));

    writeSoluc({});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(readText(output).find("actividad"), std::string::npos);
    // The tables were closed: an import after an import works, and so does anything else opening them.
    Table soluc(htemp.path(), "SOLUC");
    EXPECT_NO_THROW(soluc.open());
}

TEST_F(ImportRunTest, MissingInputOrSolutionIsReportedAndRecordedOnTheCommandLine) {
    struct Case {
        const char* name;
        bool removeSoluc;
        std::optional<std::string> answer;
        std::string details; // what the second line names
    };
    writeSoluc({});
    const Case cases[] = {
        {"cancelled at start", false, std::nullopt, "No se ha elegido ningún archivo XML"},
        {"no such file", false, (work / "no.xml").string(),
         "Falta el archivo XML «" + (work / "no.xml").string() + "»"},
        {"no solution", true, schoolFile,
         "Falta la solución de Horavia «" + (htemp / "SOLUC.DBF").string() + "»"},
    };
    for (const Case& c : cases) {
        state = RunState{};
        state.horaviaDir = htemp.path();
        state.tables.bindAll(htemp.path());
        state.LaunchedWithParams = 2;
        ui = {};
        if (c.removeSoluc) {
            std::filesystem::remove(htemp / "SOLUC.DBF");
        }
        ui.dialogAnswers = {c.answer};
        EXPECT_EQ(importing::runImport(state, ui), RunOutcome::InputMissing) << c.name;
        EXPECT_EQ(ui.messages.back(), "No existe archivo XML o Solución.") << c.name;
        EXPECT_NE(ui.details.back().find(c.details), std::string::npos)
            << c.name << ": " << ui.details.back();
        EXPECT_NE(ui.details.back().find("mensajes.html"), std::string::npos) << c.name;
        EXPECT_EQ(state.TransformStatus, -1) << c.name;
        EXPECT_EQ(ui.closes, 1) << c.name;
        EXPECT_EQ(ui.hourglassChanges, 0) << c.name;
        EXPECT_FALSE(std::filesystem::exists(outputFile())) << c.name;
    }
}

TEST_F(ImportRunTest, ASolutionFoundInLowerCaseIsUsed) {
    writeSoluc({{"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"}});
    std::filesystem::rename(htemp / "SOLUC.DBF", htemp / "soluc.dbf");
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(activities().size(), 1u);
}

TEST_F(ImportRunTest, ErrorsWriteNoOutputLeaveAnEarlierOneAndCloseTheTables) {
    writeSoluc({{"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"}});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::string earlier = readText(outputFile());
    const std::string school = readText(schoolFile);

    struct Case {
        const char* name;
        std::string school;
        const char* missingTable;
        std::string message;
    };
    const Case cases[] = {
        {"not XML", "<Centro", nullptr, "no es un documento XML válido"},
        {"wrong root", "<Horario/>", nullptr, "su elemento raíz es «Horario» y no «Centro»"},
        {"header incomplete", "<Centro Codigo='1' Nombre='x' CursoEscolar='y'/>", nullptr,
         "no tiene el atributo «Version»"},
        {"a table missing", school, "AULAT.DBF", "AULAT"},
    };
    const auto tables = snapshot(htemp.path());
    for (const Case& c : cases) {
        writeText(schoolFile, c.school);
        if (c.missingTable) {
            std::filesystem::rename(htemp / c.missingTable, work / c.missingTable);
        }
        try {
            runImport();
            ADD_FAILURE() << c.name;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
        }
        if (c.missingTable) {
            std::filesystem::rename(work / c.missingTable, htemp / c.missingTable);
        }
        EXPECT_EQ(readText(outputFile()), earlier) << c.name;
        EXPECT_FALSE(ui.hourglass) << c.name;
        // Closed, and so free for Horavia: also those opened before the one that failed.
        TableComponents& t = state.tables;
        for (const Table* table : {&t.wwTableSoluc, &t.wwTableGrupos, &t.wwTableProfesor, &t.wwTableAulas,
                                   &t.wwTableNomAsg, &t.wwTableTramos, &t.wwTableAsig}) {
            EXPECT_FALSE(table->isOpen()) << c.name << ": " << table->dataPath();
        }
        for (const char* name : {"SOLUC", "GRUPOST", "PROFT"}) {
            EXPECT_NO_THROW(TableLock::acquire(htemp / (std::string(name) + ".DBF"), name)) << c.name;
        }
        EXPECT_EQ(snapshot(htemp.path()), tables) << c.name;
    }
    writeText(schoolFile, school);
    EXPECT_EQ(runImport(), RunOutcome::Completed);
}

// SOLUC as the timetabling program's engine writes it, at three dBase levels.
class ImportFromReferenceSoluc : public ImportFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(ImportFromReferenceSoluc, GivesTheSameActivities) {
    const std::filesystem::path reference =
        std::filesystem::path(VINCULOR_REFERENCE_DIR) / "dbase" / GetParam() / "SOLUC.DBF";
    std::filesystem::copy_file(reference, htemp / "SOLUC.DBF");
    std::filesystem::permissions(htemp / "SOLUC.DBF", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::vector<std::string> expected = {
        lesson("", "1ESOA", "EF-G", "GIMNASIO", "M", "16:00", "16:55"),
        task("MAT", "GARCIAJ", "1ESOA", "AULA-INF-01", "L", "08:00", "08:55"),
        task("LCL", "PEREZM1", "2BACHB", "LABFQ", "X", "08:55", "09:50"),
        task("GUARDIA", "NÚÑEZ", "", "", "V", "11:15", "12:10"),
        task("NEG", "PEREZM1", "2BACHB", "LABFQ", "", "00:00", "00:01"),
    };
    EXPECT_EQ(activities(), expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, ImportFromReferenceSoluc,
                         ::testing::Values("soluc-level3", "soluc-level4", "soluc-level7"));

} // namespace
} // namespace vinculor::importing
