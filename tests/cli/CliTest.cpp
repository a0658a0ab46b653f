#include "cli/Cli.h"

#include "dbf/Table.h"
#include "files/FileSystem.h"
#include "support/RunCli.h"
#include "support/ScopedEnvironment.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace vinculor::cli {
namespace {

using testing::readText;
using testing::TempDir;
using testing::writeText;
using Json = nlohmann::ordered_json;

using Result = testing::CliResult;

// `errIsTerminal`: as if standard error were a terminal.
Result cli(std::vector<std::string> args, bool errIsTerminal = false) {
    return testing::runCli(std::move(args), errIsTerminal);
}

// Drops and renames that the summary must count: a repeated subject, a long
// room code, a tutor PROFT lacks, an unknown teaching and department.
const char* const kSchool = R"(<Centro Codigo="1" Nombre="IES" CursoEscolar="2026" Version="1">
  <Materias><Materia Codigo="MAT"/><Materia Codigo="MAT"/><Materia Codigo="MATEMATICAS1"/></Materias>
  <Departamentos><Departamento Codigo="D1" Denominacion="Ciencias"/></Departamentos>
  <Profesores><Profesor Codigo="P1" CodigoDep="D1"/><Profesor Codigo="P1" CodigoDep="D2"/></Profesores>
  <Aulas><Aula Codigo="LABORATORIO1"/></Aulas>
  <Ensenanzas><Ensenanza Codigo="ESO" Denominacion="ESO"/></Ensenanzas>
  <Grupos><Grupo Codigo="1A" CodigoTutor="P9" CodigoEnsenanza="BAC"/></Grupos>
  <Sesiones><Sesion Dia="L" HoraInicio="08:00" HoraFin="09:00"/></Sesiones>
</Centro>)";

class CliTest : public ::testing::Test {
protected:
    TempDir work;
    TempDir htemp;
    std::string school = (work / "centro.xml").string();

    CliTest() { writeText(school, kSchool); }
};

TEST_F(CliTest, ExportPrintsItsSummaryAndImportNeedsTheSolution) {
    const Result exported = cli({"exportar", school, "--htemp", htemp.path().string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("Proceso finalizado"), std::string::npos);
    for (const char* line :
         {"ASIGNOMT: 2 registros", "PROFT: 2 registros", "DIASHORAST: 1 registro",
          "ASIGNOMT: «MATEMATICAS1» → «MATEMATIS1»", "PROFT: «P1» → «P11»",
          "AULAT: «LABORATORIO1» → «LABORATOO1»", "ASIGNOMT: «MAT», su código corto «MAT» ya existe",
          "1A: P9", "1A: BAC", "  P1: D2"}) {
        EXPECT_NE(exported.out.find(line), std::string::npos) << line << "\n" << exported.out;
    }

    const Result missing = cli({"importar", school, "--htemp", htemp.path().string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("No existe archivo XML o Solución."), std::string::npos);
}

TEST_F(CliTest, ProgressGoesToATerminalOnlyAndNeverWithJson) {
    const std::string h = htemp.path().string();
    const Result onTerminal = cli({"exportar", school, "--htemp", h}, true);
    ASSERT_EQ(onTerminal.status, 0) << onTerminal.err;
    // Each step on one line rewritten in place, in the run's order, then the line cleared.
    const std::vector<std::string> steps = {"[1/9] Leyendo el archivo XML", "[3/9] Materias (ASIGNOMT)",
                                            "[9/9] Materias de grupo (ASIGT)"};
    std::size_t at = 0;
    for (const std::string& step : steps) {
        const std::size_t found = onTerminal.err.find("\r" + step, at);
        ASSERT_NE(found, std::string::npos) << step << "\n" << onTerminal.err;
        at = found;
    }
    // The line is blanked at the end; standard output holds no progress.
    const std::size_t blanked = onTerminal.err.rfind("\r" + std::string(10, ' '));
    ASSERT_NE(blanked, std::string::npos) << onTerminal.err;
    EXPECT_EQ(onTerminal.err.find_first_not_of(' ', blanked + 1), onTerminal.err.size() - 1);
    EXPECT_EQ(onTerminal.err.back(), '\r');
    EXPECT_EQ(onTerminal.out.find('\r'), std::string::npos);

    const Result redirected = cli({"exportar", school, "--htemp", h});
    EXPECT_EQ(redirected.err, "");
    EXPECT_EQ(redirected.out, onTerminal.out);
    const Result json = cli({"exportar", school, "--htemp", h, "--json"}, true);
    EXPECT_EQ(json.err, "Proceso finalizado\n"); // the messages, without progress
    EXPECT_NE(json.out.find("\"archivo\": " + nlohmann::json(school).dump()), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"directorioHoravia\": " + nlohmann::json(h).dump()), std::string::npos)
        << json.out;

    // The summary names the file and the Horavia directory; a run stopped by an
    // error says in which step and where the help explains it.
    EXPECT_NE(redirected.out.find("Archivo XML: " + school + "\n"), std::string::npos) << redirected.out;
    EXPECT_NE(redirected.out.find("Directorio de Horavia: " + h + "\n"), std::string::npos) << redirected.out;
    writeText(school, std::string(kSchool).replace(std::string(kSchool).find("<Grupos>"), 8,
                                                   "<Grupos><Grupo Codigo='1B'><MateriasGrupo><MateriaGrupo "
                                                   "Codigo='MAT' Horas='tres'/></MateriasGrupo></Grupo>"));
    const Result failed = cli({"exportar", school, "--htemp", h}, true);
    EXPECT_EQ(failed.status, 1);
    for (const char* line : {"'tres' is not a valid floating point value\n",
                             "\nEn el grupo «1B», materia «MAT», atributo «Horas»",
                             "\nOcurrió en el paso «Materias de grupo (ASIGT)»"}) {
        EXPECT_NE(failed.err.find(line), std::string::npos) << line << "\n" << failed.err;
    }
    EXPECT_NE(failed.err.find("mensajes.html"), std::string::npos);
}

TEST_F(CliTest, ExitStatusesForEachOutcome) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string stream; // "out" or "err"
        std::string text;
    };
    writeText(work / "roto.xml", "<Centro>");
    const std::string h = htemp.path().string();
    const Case cases[] = {
        {"missing XML",
         {"exportar", (work / "no.xml").string(), "--htemp", h},
         2,
         "out",
         "No existe archivo"},
        {"broken XML",
         {"exportar", (work / "roto.xml").string(), "--htemp", h},
         1,
         "err",
         "no es un documento XML"},
        {"no Horavia dir",
         {"exportar", school, "--htemp", (work / "nada").string()},
         1,
         "err",
         "No existe el directorio de Horavia"},
        {"unknown option", {"exportar", school, "--rapido"}, 1, "err", "Opción desconocida: --rapido"},
        {"unknown command", {"convertir", school}, 1, "err", "Orden desconocida: convertir"},
        {"no file", {"exportar"}, 1, "err", "Falta el archivo."},
        {"csv with a run", {"exportar", school, "--csv"}, 1, "err", "--csv solo vale para la orden tabla."},
        {"help", {"--help"}, 0, "out", "Estado de salida: 0 terminado, 2 falta"},
        {"version", {"--version"}, 0, "out", "vinculor-cli "},
        {"not a table", {"tabla", school}, 1, "err", "no es una tabla dBase"},
        // Neither the file nor the solution: each says which path it looked at.
        {"horario, missing XML",
         {"horario", (work / "no.xml").string(), "--htemp", h},
         2,
         "out",
         "No existe archivo XML o Solución.\nFalta el archivo XML «" + (work / "no.xml").string() + "»"},
        {"horario, no solution",
         {"horario", school, "--htemp", h},
         2,
         "out",
         "Falta la solución de Horavia «" + (htemp / "SOLUC.DBF").string() + "»"},
        {"importar, no Horavia dir",
         {"importar", school, "--htemp", (work / "nada").string()},
         2,
         "out",
         "No existe el directorio de Horavia «" + (work / "nada").string() + "»"},
        {"importar, Horavia dir is a file",
         {"importar", school, "--htemp", school},
         2,
         "out",
         "«" + school + "» no es un directorio: no puede ser el directorio de Horavia."},
    };
    for (const Case& c : cases) {
        const Result r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out << r.err;
        EXPECT_NE((c.stream == "out" ? r.out : r.err).find(c.text), std::string::npos)
            << c.name << "\nout: " << r.out << "\nerr: " << r.err;
    }
}

// What the command writes must reach its file: one that cannot take it
// (a full disk, a closed pipe) is a failure, not a success.
TEST_F(CliTest, OutputThatCannotBeWrittenIsAFailure) {
    struct Refusing : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
        std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
    } refusing;
    ASSERT_EQ(cli({"exportar", school, "--htemp", htemp.path().string()}).status, 0);
    for (std::vector<std::string> args : {std::vector<std::string>{"--help"},
                                          {"tabla", (htemp / "PROFT.DBF").string(), "--csv"},
                                          {"exportar", school, "--htemp", htemp.path().string(), "--json"}}) {
        args.insert(args.begin(), "vinculor-cli");
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        std::ostream out(&refusing);
        std::ostringstream err;
        EXPECT_EQ(run(static_cast<int>(argv.size()), argv.data(), out, err), 1) << args[1];
        EXPECT_NE(err.str().find("No se ha podido escribir la salida de vinculor-cli"), std::string::npos)
            << args[1] << ": " << err.str();
        // The tables were written all the same: the user must not export again thinking nothing happened.
        EXPECT_EQ(err.str().find("La conversión sí ha terminado") != std::string::npos, args[1] == "exportar")
            << err.str();
    }
    // A missing input keeps its own status, whatever became of its message.
    std::string args[] = {"vinculor-cli", "importar", (work / "no-existe.xml").string(), "--htemp",
                          htemp.path().string()};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data()};
    std::ostream out(&refusing);
    std::ostringstream err;
    EXPECT_EQ(run(5, argv, out, err), 2) << err.str();
}

TEST_F(CliTest, OptionsAfterDoubleDashAreFiles) {
    const std::string dashed = (work / "-centro.xml").string();
    writeText(dashed, kSchool);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    const Result r = cli({"exportar", "--htemp", htemp.path().string(), "--", "-centro.xml"});
    std::filesystem::current_path(before); // Windows keeps a current directory from being removed
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliTest, HtempOptionOverridesTheEnvironment) {
    // Accented, as a user's folder may be: Windows gives a narrow reading of
    // the environment in the ANSI code page, not in UTF-8.
    TempDir other;
    const std::filesystem::path accented = other.path() / files::fromUtf8("Año 2026 – Horavia");
    std::filesystem::create_directory(accented);
    const testing::ScopedEnvironment variable("VINCULOR_HTEMP", files::toUtf8(accented));
    const Result fromEnvironment = cli({"exportar", school});
    EXPECT_EQ(fromEnvironment.status, 0) << fromEnvironment.err;
    EXPECT_TRUE(std::filesystem::exists(accented / "PROFT.DBF"));
    EXPECT_EQ(cli({"exportar", school, "--htemp", htemp.path().string()}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(htemp / "PROFT.DBF"));
}

TEST_F(CliTest, JsonSummaryGoesAloneToStandardOutput) {
    const Result r = cli({"exportar", school, "--htemp", htemp.path().string(), "--json"});
    ASSERT_EQ(r.status, 0);
    const Json summary = Json::parse(r.out); // nothing else on standard output
    EXPECT_EQ(summary.at("direccion"), "exportar");
    EXPECT_EQ(summary.at("tablas"), Json::parse(R"({"ASIGNOMT": 2, "PROFT": 2, "AULAT": 1, "GRUPOST": 1,
                                                    "DIASHORAST": 1, "COUNTSES": 1, "ASIGT": 0})"));
    EXPECT_EQ(summary.at("codigosCambiados"), Json::parse(R"([
        {"tabla": "ASIGNOMT", "original": "MATEMATICAS1", "escrito": "MATEMATIS1"},
        {"tabla": "PROFT", "original": "P1", "escrito": "P11"},
        {"tabla": "AULAT", "original": "LABORATORIO1", "escrito": "LABORATOO1"}])"));
    EXPECT_EQ(
        summary.at("sinRegistro"),
        Json::parse(
            R"([{"tabla": "ASIGNOMT", "codigo": "MAT", "motivo": "su código corto «MAT» ya existe"}])"));
    EXPECT_EQ(summary.at("tutoresNoEncontrados"), Json::array({"1A: P9"}));
    EXPECT_EQ(summary.at("ensenanzasNoEncontradas"), Json::array({"1A: BAC"}));
    EXPECT_EQ(summary.at("departamentosNoEncontrados"), Json::array({"P1: D2"}));
    EXPECT_EQ(summary.at("materiasDeGrupoNoEncontradas"), Json::array());
    EXPECT_EQ(summary.at("materiasQueVuelvenConOtroCodigo"), Json::array());
    EXPECT_NE(r.err.find("Proceso finalizado"), std::string::npos);
}

#ifndef _WIN32
// Bytes that are not UTF-8 in a file name: a POSIX system allows them, Windows names are UTF-16.
TEST_F(CliTest, JsonStaysValidForAPathThatIsNotUtf8) {
    // A directory name in Latin-1, as an older system leaves it: "año" with 0xF1.
    const std::filesystem::path dir = work / "a\xF1o";
    std::filesystem::create_directory(dir);
    const std::string schoolThere = (dir / "centro.xml").string();
    writeText(schoolThere, kSchool);
    ASSERT_EQ(cli({"exportar", schoolThere, "--htemp", htemp.path().string()}).status, 0);
    writeText(htemp / "SOLUC.DBF",
              readText(std::string(VINCULOR_REFERENCE_DIR) + "/dbase/soluc-level4/SOLUC.DBF"));

    const Result r = cli({"importar", schoolThere, "--htemp", htemp.path().string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json summary = Json::parse(r.out);
    EXPECT_EQ(summary["documento"].get<std::string>(),
              (work / "a\xEF\xBF\xBDo" / "ResultadoHoraviacentro.xml").string());
    EXPECT_EQ(r.out.find('\xF1'), std::string::npos) << r.out;
}
#endif

TEST_F(CliTest, WhatARunPutRightIsReportedAlsoWhenItThenFails) {
    // A solution but none of the export's tables: the import fails once it
    // has tidied the directory.
    writeText(htemp / "SOLUC.DBF",
              readText(std::string(VINCULOR_REFERENCE_DIR) + "/dbase/soluc-level4/SOLUC.DBF"));
    for (const char* command : {"importar", "horario"}) {
        std::filesystem::create_directory(htemp / ".vinculor-anterior-0123456789abcdef");
        const Result r = cli({command, school, "--htemp", htemp.path().string()});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("Restos de ejecuciones interrumpidas borrados de «" + htemp.path().string() +
                             "»: .vinculor-anterior-0123456789abcdef."),
                  std::string::npos)
            << command << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists(htemp / ".vinculor-anterior-0123456789abcdef")) << command;
    }
}

TEST_F(CliTest, TablaPrintsOurTablesAndTheOtherEnginesSolution) {
    ASSERT_EQ(cli({"exportar", school, "--htemp", htemp.path().string()}).status, 0);
    const Result csv = cli({"tabla", (htemp / "PROFT.DBF").string(), "--csv"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    // NOMBRE is ", " + " " for teachers without names: read back without its trailing blanks.
    EXPECT_EQ(csv.out, "ABREV,NOMBRE,DEPART,EMAIL\r\nP1,\",\",Ciencias,\r\nP11,\",\",D2,\r\n");

    const std::string soluc = std::string(VINCULOR_REFERENCE_DIR) + "/dbase/soluc-level4/SOLUC.DBF";
    const Result json = cli({"tabla", soluc, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const Json table = Json::parse(json.out);
    EXPECT_EQ(table.at("tabla"), "SOLUC.DBF");
    EXPECT_EQ(table.at("nivel"), 4);
    ASSERT_EQ(table.at("campos").size(), 7u);
    EXPECT_EQ(table.at("campos").at(2),
              Json::parse(R"({"nombre": "DIA", "tipo": "N", "ancho": 2, "decimales": 0})"));
    ASSERT_EQ(table.at("registros").size(), 9u); // the deleted record left out
    bool nunez = false;
    for (const Json& record : table.at("registros")) {
        EXPECT_EQ(record.size(), 7u);
        EXPECT_NE(record.at("ASIG"), "BORRADO");
        nunez |= record.at("PROF") == "NÚÑEZ";
    }
    EXPECT_TRUE(nunez);

    const Result text = cli({"tabla", soluc});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("SOLUC.DBF: nivel 4, 7 campos, 9 registros"), std::string::npos) << text.out;
}

// Where names differ only in letter case, the table shown is the one named.
TEST_F(CliTest, TablaShowsTheFileNamedAndNotAnotherOfTheSameNameInOtherCase) {
    ASSERT_EQ(cli({"exportar", school, "--htemp", htemp.path().string()}).status, 0);
    std::filesystem::copy_file(htemp / "AULAT.DBF", work / "X.DBF");
    if (std::filesystem::exists(work / "x.dbf")) {
        GTEST_SKIP() << "letter case is not told apart here";
    }
    std::filesystem::copy_file(htemp / "PROFT.DBF", work / "x.dbf");
    EXPECT_EQ(
        cli({"tabla", (work / "x.dbf").string(), "--csv"}).out.rfind("ABREV,NOMBRE,DEPART,EMAIL\r\n", 0), 0u);
    EXPECT_EQ(cli({"tabla", (work / "X.DBF").string(), "--csv"})
                  .out.rfind("ABREV,NOMBRE,EDIFICIO,MAXALUM,ABREV_GESTION\r\n", 0),
              0u);
}

// A table read with a field name twice (another tool made it, or it is
// damaged): every listing shows both values.
TEST_F(CliTest, TablaShowsEveryFieldOfATableThatRepeatsAName) {
    Table table(work.path(), "REPE");
    table.create({{"COD", FieldType::Character, 4}, {"CODX", FieldType::Character, 4}});
    table.open();
    table.append();
    table.setText("COD", "uno");
    table.setText("CODX", "dos");
    table.post();
    table.close();
    std::string bytes = readText(work / "REPE.DBF");
    bytes.replace(68 + 48, 4, std::string("COD\0", 4)); // the second descriptor's name
    writeText(work / "REPE.DBF", bytes);
    const std::string file = (work / "REPE.DBF").string();

    const Result json = cli({"tabla", file, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const Json parsed = Json::parse(json.out);
    EXPECT_EQ(parsed.at("campos").at(1).at("nombre"), "COD");
    EXPECT_EQ(parsed.at("registros"), Json::parse(R"json([{"COD": "uno", "COD (2)": "dos"}])json"));
    EXPECT_EQ(cli({"tabla", file, "--csv"}).out, "COD,COD\r\nuno,dos\r\n");
    EXPECT_NE(cli({"tabla", file}).out.find("1: COD=uno COD=dos\n"), std::string::npos);
}

} // namespace
} // namespace vinculor::cli
