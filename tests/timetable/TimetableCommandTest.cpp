#include "TimetableFixture.h"
#include "support/RunCli.h"

#include <sstream>

namespace vinculor::testing {
namespace {

namespace fs = std::filesystem;

class TimetableCommandTest : public TimetableFixture {
protected:
    int run(std::vector<std::string> args) {
        const CliResult r = runCli(std::move(args));
        out.str(r.out);
        err.str(r.err);
        return r.status;
    }
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(TimetableCommandTest, WritesTheDocumentAgainAndLeavesTheResultAlone) {
    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "P1", "A1"}, {"MAT", "CCM", "1", "1", "G2", "P1", "A2"}});
    writeText(resultFile(), "<Centro/>\n");

    ASSERT_EQ(run({"horario", schoolFile().string(), "--htemp", htemp.path().string()}), 0) << err.str();
    EXPECT_EQ(readText(resultFile()), "<Centro/>\n");
    const std::string html = readText(timetableFile());
    EXPECT_NE(html.find("<h2>Profesor: Ana García Núñez <span class=\"code\">(P1)</span></h2>"),
              std::string::npos);
    EXPECT_NE(out.str().find("Horario: " + timetableFile().string()), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("0 grupos, 1 profesores y 0 aulas"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Archivo XML: " + schoolFile().string() +
                             "\nDirectorio de Horavia: " + htemp.path().string() + "\n"),
              std::string::npos)
        << out.str();

    ASSERT_EQ(run({"horario", schoolFile().string(), "--htemp", htemp.path().string(), "--json"}), 0);
    EXPECT_NE(out.str().find("\"direccion\": \"horario\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"profesoresEnDosSitios\": 1"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"documento\": \"\""), std::string::npos) << out.str();
}

// What an interrupted write of the document left beside it goes, as an
// import would take it away; the result's leftovers are the import's.
TEST_F(TimetableCommandTest, TakesAwayWhatAnInterruptedDocumentLeft) {
    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "P1", "A1"}});
    const fs::path leftover = work / ".HorarioHoraviacentro.html.vinculor-0123456789abcdef.tmp";
    const fs::path results = work / ".ResultadoHoraviacentro.xml.vinculor-0123456789abcdef.tmp";
    writeText(leftover, "<html>a medias");
    writeText(results, "<Centro>a medias");

    ASSERT_EQ(run({"horario", schoolFile().string(), "--htemp", htemp.path().string()}), 0) << err.str();
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_TRUE(fs::exists(results));
    EXPECT_NE(out.str().find("Archivo temporal de una importación interrumpida borrado: «" +
                             leftover.string() + "»."),
              std::string::npos)
        << out.str();
}

TEST_F(TimetableCommandTest, MissingInputAndBadFilesEndInTheirMessage) {
    // No SOLUC yet.
    EXPECT_EQ(run({"horario", schoolFile().string(), "--htemp", htemp.path().string()}), 2);
    EXPECT_NE(out.str().find("No existe archivo XML o Solución.\nFalta la solución de Horavia «" +
                             (htemp / "SOLUC.DBF").string() + "»"),
              std::string::npos)
        << out.str();
    EXPECT_FALSE(fs::exists(timetableFile()));

    writeSoluc({});
    writeText(work / "otro.xml", "<Otro/>");
    EXPECT_EQ(run({"horario", (work / "otro.xml").string(), "--htemp", htemp.path().string()}), 1);
    EXPECT_NE(err.str().find("su elemento raíz es «Otro» y no «Centro»"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(work / "HorarioHoraviaotro.html"));

    // A document in the way keeps the earlier one's place: the command fails, naming it.
    fs::create_directory(timetableFile());
    EXPECT_EQ(run({"horario", schoolFile().string(), "--htemp", htemp.path().string()}), 1);
    EXPECT_NE(err.str().find("HorarioHoraviacentro.html"), std::string::npos) << err.str();
    EXPECT_TRUE(fs::is_directory(timetableFile()));
}

} // namespace
} // namespace vinculor::testing
