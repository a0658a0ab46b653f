// The whole road of the example school through the command line, in-process:
// "exportar" examples/centro-ejemplo.xml, the Horavia simulator's SOLUC,
// "importar", and the timetable document compared byte for byte with
// tests/import/golden/ResultadoHoraviacentro-ejemplo.xml, which was checked by
// hand against the import rules. The one part that differs from run to run,
// the root's FechaExportacion (the moment of the import), is blanked out on
// both sides before comparing.
//
// After a deliberate change of the export, the import, the simulator or the
// example, rewrite the expected document with VINCULOR_UPDATE_GOLDEN=1 in the
// environment and review the diff.

#include "SimuladorHoravia.h"
#include "cli/Cli.h"
#include "support/Golden.h"
#include "support/RunCli.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace vinculor::cli {
namespace {

const std::filesystem::path kExample = VINCULOR_SOURCE_DIR "/examples/centro-ejemplo.xml";
const std::filesystem::path kExpected =
    VINCULOR_SOURCE_DIR "/tests/import/golden/ResultadoHoraviacentro-ejemplo.xml";

int runCli(std::vector<std::string> args) {
    const testing::CliResult r = testing::runCli(std::move(args));
    EXPECT_EQ(r.err, "");
    return r.status;
}

std::string withoutExportDate(const std::string& xml) {
    return std::regex_replace(xml, std::regex("FechaExportacion=\"[^\"]*\""), "FechaExportacion=\"\"");
}

TEST(RoundTripTest, ExampleSchoolComesBackAsTheExpectedTimetable) {
    testing::TempDir work;
    const std::filesystem::path htemp = work / "HTEMP";
    std::filesystem::create_directory(htemp);
    const std::string school = (work / "centro-ejemplo.xml").string();
    std::filesystem::copy_file(kExample, school);

    ASSERT_EQ(runCli({"exportar", school, "--htemp", htemp.string()}), 0);
    const simulador::Resumen solution = simulador::simularHorario(htemp);
    // Two groups have one session more than their week has slots.
    EXPECT_EQ(solution.sinHueco, 2u);
    EXPECT_EQ(solution.avisos, std::vector<std::string>{});
    ASSERT_EQ(runCli({"importar", school, "--htemp", htemp.string()}), 0);

    const std::string document = testing::readText(work / "ResultadoHoraviacentro-ejemplo.xml");
    EXPECT_NE(document.find("FechaExportacion=\""), std::string::npos);
    testing::expectGolden(kExpected, withoutExportDate(document));
}

} // namespace
} // namespace vinculor::cli
