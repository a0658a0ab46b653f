// The example school's timetable document as a browser shows and prints it:
// headless Chromium loads the file, and the test reads the page it built
// (--dump-dom) and the PDF it printed (pdfinfo, pdftotext).
#include "SimuladorHoravia.h"
#include "support/RunCli.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace vinculor::testing {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
const fs::path kExample = VINCULOR_SOURCE_DIR "/examples/centro-ejemplo.xml";

// The first of these programs found on the PATH; empty when none is.
std::string findProgram(std::initializer_list<const char*> names) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        for (const char* name : names) {
            const fs::path candidate = fs::path(dir) / name;
            if (fs::is_regular_file(candidate)) {
                return candidate.string();
            }
        }
    }
    return "";
}

// Runs a shell command, its standard output into `output`; its status.
int runCommand(const std::string& command, const fs::path& output) {
    return std::system((command + " > '" + output.string() + "' 2>/dev/null").c_str());
}

int runQuietly(std::vector<std::string> args) {
    const CliResult r = runCli(std::move(args));
    EXPECT_EQ(r.err, "");
    return r.status;
}

// The cell of a grid in the page: the grid headed "<title>: <name>", the row
// of the period, the column of the day (0 for Monday); its lines joined by '|'.
std::string cell(const std::string& dom, const std::string& heading, const std::string& period, int day) {
    const std::size_t h = dom.find("<h2>" + heading);
    if (h == std::string::npos) {
        return "(sin tabla «" + heading + "»)";
    }
    const std::string grid = dom.substr(h, dom.find("</section>", h) - h);
    const std::size_t row = grid.find("<tr><th>" + period + "<br>");
    if (row == std::string::npos) {
        return "(sin fila " + period + ")";
    }
    std::string rest = grid.substr(row, grid.find("</tr>", row) - row);
    std::size_t at = rest.find("<td");
    for (int d = 0; d < day && at != std::string::npos; ++d) {
        at = rest.find("<td", at + 1);
    }
    if (at == std::string::npos) {
        return "(sin columna)";
    }
    std::string html = rest.substr(at, rest.find("</td>", at) - at);
    html = std::regex_replace(html, std::regex("<hr>|\n"), "|");
    html = std::regex_replace(html, std::regex("<[^>]*>"), "");
    while (!html.empty() && html.back() == '|') {
        html.pop_back();
    }
    return html;
}

#endif

TEST(BrowserTest, TheExampleSchoolsTimetableShowsItsGridsAndPrintsOnePerPage) {
#ifdef _WIN32
    GTEST_SKIP() << "La prueba con el navegador se hace en Linux.";
#else
    const std::string chromium = findProgram({"chromium", "chromium-browser"});
    if (chromium.empty()) {
        GTEST_SKIP() << "No está Chromium (paquete chromium de Debian, que instala scripts/setup): "
                        "no se prueba el horario en un navegador.";
    }
    const std::string pdfinfo = findProgram({"pdfinfo"});
    const std::string pdftotext = findProgram({"pdftotext"});
    ASSERT_FALSE(pdfinfo.empty() || pdftotext.empty()) << "faltan pdfinfo y pdftotext (poppler-utils)";

    TempDir work;
    const fs::path htemp = work / "HTEMP";
    fs::create_directory(htemp);
    const fs::path school = work / "centro-ejemplo.xml";
    fs::copy_file(kExample, school);
    ASSERT_EQ(runQuietly({"exportar", school.string(), "--htemp", htemp.string()}), 0);
    simulador::simularHorario(htemp);
    ASSERT_EQ(runQuietly({"importar", school.string(), "--htemp", htemp.string()}), 0);
    const fs::path document = work / "HorarioHoraviacentro-ejemplo.html";
    ASSERT_TRUE(fs::is_regular_file(document));
    const std::string html = readText(document);
    const std::size_t grids = [&] {
        std::size_t n = 0;
        for (std::size_t at = html.find("<section class=\"grid"); at != std::string::npos;
             at = html.find("<section class=\"grid", at + 1)) {
            ++n;
        }
        return n;
    }();
    ASSERT_GT(grids, 100u);

    // A profile of its own, and nothing that goes to the network.
    const fs::path profile = work / "perfil";
    fs::create_directory(profile);
    const std::string browser = "timeout 180 '" + chromium +
                                "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                "--disable-background-networking --disable-component-update --disable-sync "
                                "--user-data-dir='" +
                                profile.string() + "' ";
    const std::string url = "'file://" + document.string() + "'";

    const fs::path dumped = work / "dom.html";
    ASSERT_EQ(runCommand(browser + "--dump-dom " + url, dumped), 0);
    const std::string dom = readText(dumped);
    EXPECT_NE(dom.find("<h1>Horario de IES Peña del Alba</h1>"), std::string::npos);
    EXPECT_EQ(cell(dom, "Grupo: 1º Bachillerato B", "1.ª", 0), "Filosofía|David Suárez Bethencourt|Aula 106");
    EXPECT_EQ(cell(dom, "Profesor: Miguel Ángel Aguilar Reyes", "2.ª", 1), "Matemáticas|3º ESO A|Aula 103");
    EXPECT_EQ(cell(dom, "Profesor: Miguel Ángel Aguilar Reyes", "1.ª", 0), "");
    EXPECT_EQ(cell(dom, "Aula: Aula 106", "1.ª", 0),
              "Filosofía|1º Bachillerato B, Humanidades y Ciencias Sociales|David Suárez Bethencourt");

    const fs::path pdf = work / "horario.pdf";
    ASSERT_EQ(runCommand(browser + "--no-pdf-header-footer --print-to-pdf='" + pdf.string() + "' " + url,
                         work / "impresion.txt"),
              0);
    ASSERT_EQ(runCommand("'" + pdfinfo + "' '" + pdf.string() + "'", work / "pdfinfo.txt"), 0);
    const std::string info = readText(work / "pdfinfo.txt");
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex("Pages:\\s+(\\d+)"))) << info;
    EXPECT_NE(info.find("A4"), std::string::npos) << info;
    std::smatch size;
    ASSERT_TRUE(std::regex_search(info, size, std::regex("Page size:\\s+([\\d.]+) x ([\\d.]+)"))) << info;
    EXPECT_GT(std::stod(size[1]), std::stod(size[2])) << "apaisado";

    ASSERT_EQ(runCommand("'" + pdftotext + "' '" + pdf.string() + "' -", work / "horario.txt"), 0);
    std::vector<std::string> pageTexts;
    std::stringstream text(readText(work / "horario.txt"));
    for (std::string page; std::getline(text, page, '\f');) {
        pageTexts.push_back(page);
    }
    while (!pageTexts.empty() && pageTexts.back().find_first_not_of(" \n") == std::string::npos) {
        pageTexts.pop_back();
    }
    ASSERT_EQ(pageTexts.size(), static_cast<std::size_t>(std::stoul(pages[1])));

    // From the first grid on, each page holds one grid, whole.
    const std::regex heading("(^|\n)(Grupo|Profesor|Aula): ");
    std::size_t firstGrid = pageTexts.size();
    for (std::size_t p = 0; p < pageTexts.size(); ++p) {
        const auto found = std::distance(
            std::sregex_iterator(pageTexts[p].begin(), pageTexts[p].end(), heading), std::sregex_iterator());
        if (found > 0 && firstGrid == pageTexts.size()) {
            firstGrid = p;
        }
        if (p >= firstGrid) {
            EXPECT_EQ(found, 1) << "página " << p + 1 << ":\n" << pageTexts[p].substr(0, 300);
        }
    }
    EXPECT_EQ(pageTexts.size() - firstGrid, grids);
#endif
}

} // namespace
} // namespace vinculor::testing
