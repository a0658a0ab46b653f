// vinculor-cli as a user starts it: a process of its own, its arguments from
// the system's command line and its output into files. What only the real
// program shows: accented paths in the arguments, and the bytes of what it
// writes (UTF-8, the CSV's own CR LF and no other).
#include "files/FileSystem.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::runProgram;
using testing::TempDir;

const char* const kSchool = R"(<Centro Codigo="1" Nombre="IES" CursoEscolar="2026" Version="1">
  <Materias><Materia Codigo="MAT"/><Materia Codigo="MATEMATICAS1"/></Materias>
  <Profesores><Profesor Codigo="P1"/><Profesor Codigo="P2"/></Profesores>
</Centro>)";

fs::path program() {
    // Absolute now, while the current directory is the one the test started in.
    static const fs::path path = fs::absolute(VINCULOR_CLI_PROGRAM);
    return path;
}

class ProgramTest : public ::testing::Test {
protected:
    TempDir work;
    fs::path folder = work / "Año 2026";
    fs::path school = folder / files::fromUtf8("centro Núñez.xml");
    fs::path htemp = folder / "HTEMP";

    ProgramTest() {
        fs::create_directories(htemp);
        testing::writeText(school, kSchool);
    }
};

TEST_F(ProgramTest, AccentedPathsInTheArgumentsAreUsedAsGiven) {
    const auto r =
        runProgram(program(), {"exportar", files::toUtf8(school), "--htemp", files::toUtf8(htemp)});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(fs::exists(htemp / "ASIGNOMT.DBF"));
    // Redirected output is the program's UTF-8, unchanged.
    EXPECT_NE(r.out.find("ASIGNOMT: «MATEMATICAS1» → «MATEMATIS1»\n"), std::string::npos) << r.out;

    const fs::path nowhere = folder / "Ningún sitio";
    const auto missing =
        runProgram(program(), {"exportar", files::toUtf8(school), "--htemp", files::toUtf8(nowhere)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "No existe el directorio de Horavia «" + files::toUtf8(nowhere) + "».\n");
}

TEST_F(ProgramTest, CsvLinesEndInOneCarriageReturnAndLineFeed) {
    const fs::path plain = work / "HTEMP"; // nothing but ASCII: this is about the output
    fs::create_directory(plain);
    testing::writeText(work / "centro.xml", kSchool);
    ASSERT_EQ(runProgram(program(),
                         {"exportar", files::toUtf8(work / "centro.xml"), "--htemp", files::toUtf8(plain)})
                  .status,
              0);
    const auto r = runProgram(program(), {"tabla", files::toUtf8(plain / "PROFT.DBF"), "--csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ABREV,NOMBRE,DEPART,EMAIL\r\nP1,\",\",,\r\nP2,\",\",,\r\n");
}

} // namespace
} // namespace vinculor
