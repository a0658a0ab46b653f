#include "timetable/TimetableCheck.h"

#include "TimetableFixture.h"
#include "export/ExportRun.h"
#include "files/FileSystem.h"
#include "support/TableDump.h"
#include "timetable/SchoolNames.h"
#include "xml/XmlFamilies.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <tuple>

namespace vinculor::testing {
namespace {

namespace fs = std::filesystem;

class TimetableCheckTest : public TimetableFixture {};

// The table of coincidences at the top of the document, one line per row.
std::vector<std::string> clashRows(const std::string& html) {
    std::vector<std::string> rows;
    const std::size_t start = html.find("<h3>Coincidencias</h3>");
    if (start == std::string::npos) {
        return rows;
    }
    const std::size_t end = html.find("</table>", start);
    const std::string table = html.substr(start, end - start);
    static const std::regex kRow("<tr><td>(Grupo|Profesor|Aula) <a[^>]*>(.*?)</a></td><td>(\\w+)</td>");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), kRow); it != std::sregex_iterator();
         ++it) {
        rows.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str());
    }
    return rows;
}

TEST_F(TimetableCheckTest, EachClashAndEachMissingSessionIsReportedOnce) {
    writeSoluc({
        // Teacher P1 in two rooms with two groups on Monday, 1st period.
        {"MAT", "CCM", "1", "1", "G1", "P1", "A1"},
        {"MAT", "CCM", "1", "1", "G2", "P1", "A2"},
        // Room A3 with two groups and two teachers on Monday, 2nd period.
        {"LCL", "CCM", "1", "2", "G1", "P2", "A3"},
        {"ING", "CCM", "1", "2", "G2", "P3", "A3"},
        // Group G1 in two rooms with two subjects on Tuesday, 1st period.
        {"MAT", "CCM", "2", "1", "G1", "P1", "A1"},
        {"LCL", "CCM", "2", "1", "G1", "P4", "A2"},
        // No clash: two teachers of one lesson; one teacher with two groups together.
        {"MAT", "CCM", "2", "2", "G1", "P1", "A1"},
        {"MAT", "CCM", "2", "2", "G1", "P3", "A1"},
        {"ING", "CCM", "3", "2", "G2", "P3", "A3"},
        {"ING", "CCM", "3", "2", "G3", "P3", "A3"},
        // G3 gets one of its two sessions of LCL.
        {"LCL", "CCM", "3", "1", "G3", "P2", "A2"},
        // A task of a teacher the school's file does not name.
        {"GUARDIA", "GUARDIA", "4", "1", "", "PX", ""},
        // Left out, each for its reason.
        {"MAT", "CCM", "0", "1", "G1", "P1", "A1"},
        {"MAT", "CCM", "5", "1", "GX", "P1", "A1"},
        {"ZZZ", "CCM", "5", "1", "G1", "P1", "A1"},
        {"MAT", "CCM", "5", "9", "G1", "P1", "A1"},
    });
    ASSERT_EQ(runImport(), RunOutcome::Completed);

    const RunSummary& s = state.summary;
    EXPECT_EQ(s.teacherClashes, 1u);
    EXPECT_EQ(s.roomClashes, 1u);
    EXPECT_EQ(s.groupClashes, 1u);
    EXPECT_EQ(s.hoursDiffering, 1u);
    EXPECT_EQ(s.timetableFile, timetableFile().string());
    EXPECT_EQ(s.timetableError, "");
    EXPECT_NE(
        s.toText().find("Comprobación del horario:\n  en dos sitios a la vez: 1 grupos, 1 profesores y 1 "
                        "aulas\n  materias de grupo con sesiones distintas de las previstas: 1\n"),
        std::string::npos)
        << s.toText();
    EXPECT_NE(s.toJson().find("\"comprobacion\": {\"gruposEnDosSitios\": 1, \"profesoresEnDosSitios\": 1, "
                              "\"aulasEnDosSitios\": 1, \"materiasConSesionesDistintas\": 1}"),
              std::string::npos)
        << s.toJson();

    const std::string html = readText(timetableFile());
    EXPECT_EQ(clashRows(html),
              (std::vector<std::string>{"Grupo 1º ESO A <span class=\"code\">(G1)</span> Martes",
                                        "Profesor Ana García Núñez <span class=\"code\">(P1)</span> Lunes",
                                        "Aula Gimnasio <span class=\"code\">(A3)</span> Lunes"}));
    // The index names each member with its code, in the order of the codes.
    const std::size_t index = html.find("<nav class=\"index\">");
    const std::size_t p1 =
        html.find("\">Ana García Núñez <span class=\"code\">(P1)</span></a></li>\n", index);
    const std::size_t p2 =
        html.find("\">Luis O&#39;Brien <span class=\"code\">(P2)</span></a></li>\n", index);
    EXPECT_NE(p1, std::string::npos);
    EXPECT_NE(p2, std::string::npos);
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, html.find("</nav>"));
    // In the grids: the three cells and no other.
    EXPECT_EQ(occurrences(html, "¡Coincidencia!"), 3u);

    // The group subject short of its plan, with the school's "Horas".
    EXPECT_NE(
        html.find("<tr><td>2º ESO A <span class=\"code\">(G3)</span></td><td>Lengua &quot;Castellana&quot; "
                  "&amp; Literatura <span class=\"code\">(LCL)</span></td><td>02,00</td><td>2</td>"
                  "<td>1</td></tr>"),
        std::string::npos);
    EXPECT_EQ(occurrences(html, "</td><td>02,00</td>"), 1u);

    // The records left out, by reason, with their codes.
    for (const char* line :
         {"<h4>día u hora 0: 1</h4>", "<h4>grupo no encontrado en GRUPOST: 1</h4>",
          "<h4>materia o actividad no encontrada en ASIGNOMT: 1</h4>",
          "<h4>franja horaria no encontrada en DIASHORAST: 1</h4>",
          "<tr><td>clase</td><td>MAT</td><td>GX</td><td>P1</td><td>A1</td><td>5</td><td>1</td>",
          "<tr><td>clase</td><td>ZZZ</td><td>G1</td>",
          "<tr><td>clase</td><td>MAT</td><td>G1</td><td>P1</td><td>A1</td><td>5</td><td>9</td>"}) {
        EXPECT_NE(html.find(line), std::string::npos) << line;
    }
}

TEST_F(TimetableCheckTest, NamesAreEscapedAndACodeWithoutNameIsShownAsItIs) {
    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "P2", "A2"},
                {"LCL", "CCM", "1", "2", "G1", "P1", "A1"},
                {"GUARDIA", "GUARDIA", "4", "1", "", "PX", ""}});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::string html = readText(timetableFile());

    EXPECT_NE(html.find("<h1>Horario de IES Ñandú &amp; &lt;Co&gt;</h1>"), std::string::npos);
    EXPECT_NE(html.find("<title>Horario · IES Ñandú &amp; &lt;Co&gt;</title>"), std::string::npos);
    EXPECT_NE(
        html.find(
            "<td><b>Matemáticas &lt;b&gt;I&lt;/b&gt;</b>\nLuis O&#39;Brien\nLaboratorio &lt;FQ&gt;<td>"),
        std::string::npos);
    EXPECT_NE(html.find("Lengua &quot;Castellana&quot; &amp; Literatura"), std::string::npos);
    EXPECT_EQ(html.find("<b>I</b>"), std::string::npos);
    EXPECT_EQ(html.find("<FQ>"), std::string::npos);
    EXPECT_EQ(html.find("O'Brien"), std::string::npos);

    // The teacher that the school's file does not name goes by the code, with
    // the task in the grid.
    EXPECT_NE(html.find("<h2>Profesor: PX</h2>"), std::string::npos);
    EXPECT_NE(html.find("<td><b>Guardia de recreo</b><td>"), std::string::npos);
    // One grid each: G1; P1, P2, PX; A1, A2.
    EXPECT_EQ(occurrences(html, "<section class=\"grid"), 6u);
    EXPECT_NE(html.find("<h2>Grupo: 1º ESO A <span class=\"code\">(G1)</span></h2>"), std::string::npos);
    EXPECT_NE(html.find("<th>1.ª<br>08:00–08:55</th>"), std::string::npos);
}

TEST_F(TimetableCheckTest, AnEmptyTimetableStillGivesTheDocumentWithItsCheck) {
    writeSoluc({});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::string html = readText(timetableFile());
    EXPECT_EQ(occurrences(html, "<section class=\"grid"), 0u);
    EXPECT_EQ(occurrences(html, "Ninguno en el horario."), 3u);
    // Every planned session is missing.
    EXPECT_EQ(state.summary.hoursDiffering, 6u);
    EXPECT_EQ(state.summary.teacherClashes + state.summary.roomClashes + state.summary.groupClashes, 0u);
    EXPECT_NE(html.find("</html>\n"), std::string::npos);
}

TEST_F(TimetableCheckTest, LongListsShowTheirFirstLinesAndCountTheRest) {
    std::vector<std::vector<std::string>> records;
    for (int i = 0; i < 250; ++i) {
        records.push_back({"MAT", "CCM", "0", "1", "G" + std::to_string(i), "P1", "A1"});
    }
    writeSoluc(records);
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(state.summary.skippedDayOrSlotZero, 250u);
    const std::string html = readText(timetableFile());
    EXPECT_NE(html.find("<li>Registros de SOLUC que no están en el horario: 250</li>"), std::string::npos);
    EXPECT_NE(html.find("<h4>día u hora 0: 250</h4>"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<tr><td>clase</td><td>MAT</td>"), 200u);
    EXPECT_NE(html.find("<td>G199</td>"), std::string::npos);
    EXPECT_EQ(html.find("<td>G200</td>"), std::string::npos);
    EXPECT_NE(html.find("<p>Y 50 registros más.</p>"), std::string::npos);
}

TEST_F(TimetableCheckTest, ADocumentThatCannotBeWrittenLeavesTheResultAndSaysWhy) {
    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "P1", "A1"}});
    fs::create_directory(timetableFile()); // in the document's way

    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_TRUE(fs::is_regular_file(resultFile()));
    EXPECT_EQ(state.TransformStatus, 1);
    EXPECT_EQ(state.summary.timetableFile, "");
    EXPECT_NE(state.summary.timetableError.find("HorarioHoraviacentro.html"), std::string::npos)
        << state.summary.timetableError;
    EXPECT_NE(state.summary.toText().find("No se ha escrito el horario: "), std::string::npos);
    EXPECT_NE(state.summary.toJson().find("\"errorHorario\": "), std::string::npos);
}

TEST_F(TimetableCheckTest, AFailedDocumentTakesTheEarlierOneAwayWithIt) {
    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "P1", "A1"}});
    files::FaultInjection::resetCount();
    long lastRename = 0; // the one that puts the new document in place
    files::FaultInjection::watch([&](std::string_view what, const fs::path&) {
        if (what == "renombrar") {
            lastRename = files::FaultInjection::operations() + 1;
        }
    });
    const RunOutcome first = runImport();
    files::FaultInjection::watch(nullptr);
    ASSERT_EQ(first, RunOutcome::Completed);
    writeText(timetableFile(), "anterior");

    files::FaultInjection::failOperation(lastRename);
    const RunOutcome outcome = runImport();
    const bool triggered = files::FaultInjection::triggered();
    files::FaultInjection::disarm();
    ASSERT_TRUE(triggered);
    ASSERT_EQ(outcome, RunOutcome::Completed);
    EXPECT_NE(state.summary.timetableError, "");
    EXPECT_FALSE(fs::exists(timetableFile()));
    EXPECT_TRUE(fs::is_regular_file(resultFile()));
    // Nothing else is left beside the school's file.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ResultadoHoraviacentro.xml", "centro.xml"}));
}

// The subjects of the table of planned and placed sessions, in its order.
std::vector<std::string> hoursRows(const std::string& html) {
    std::vector<std::string> rows;
    const std::size_t start = html.find("<h3>Sesiones previstas y colocadas</h3>");
    if (start == std::string::npos) {
        return rows;
    }
    const std::string table = html.substr(start, html.find("</table>", start) - start);
    static const std::regex kRow("<tr><td>([^<]*?)( <span[^>]*>\\(\\w+\\)</span>)?</td><td>(\\w+)");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), kRow); it != std::sregex_iterator();
         ++it) {
        rows.push_back((*it)[3].str());
    }
    return rows;
}

TEST_F(TimetableCheckTest, PlanLinesComeInTheFilesOrderThenUnplannedSubjectsInGridOrderUpToTheListsEnd) {
    // G2 plans subjects that are never placed, in an order of its own; G1
    // plans nothing and gets X2, then X1 (by cell), then X2 again.
    struct Case {
        int planned; // subjects of G2's plan, S(planned-1) down to S000
        std::vector<std::string> firstRows, lastRows;
        std::size_t differing;
    };
    const Case cases[] = {
        {3, {"S002", "S001", "S000", "X2", "X1"}, {"X2", "X1"}, 5},
        {210, {"S209", "S208"}, {"S011", "S010"}, 212}, // the first 200 plan lines only
    };
    for (const Case& c : cases) {
        std::string subjects, plan;
        std::vector<std::vector<std::string>> codes = {{"X1", "X1", "F"}, {"X2", "X2", "F"}};
        for (int i = c.planned - 1; i >= 0; --i) {
            char code[16];
            std::snprintf(code, sizeof code, "S%03d", i);
            subjects += std::string("<Materia Codigo=\"") + code + "\" Denominacion=\"\"/>\n";
            plan += std::string("<MateriaGrupo Codigo=\"") + code + "\" Horas=\"01,00\"/>";
            codes.push_back({code, code, "F"});
        }
        writeText(schoolFile(),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Centro Codigo=\"1\" Nombre=\"IES\" "
                  "CursoEscolar=\"2026/2027\" Version=\"1\">\n<Materias>\n<Materia Codigo=\"X1\"/>\n"
                  "<Materia Codigo=\"X2\"/>\n" +
                      subjects +
                      "</Materias>\n<Grupos>\n<Grupo Codigo=\"G1\"/>\n<Grupo Codigo=\"G2\"><MateriasGrupo>" +
                      plan +
                      "</MateriasGrupo></Grupo>\n</Grupos>\n<Sesiones>\n"
                      "<Sesion Dia=\"L\" HoraInicio=\"08:00\" HoraFin=\"08:55\"/>\n"
                      "<Sesion Dia=\"L\" HoraInicio=\"08:55\" HoraFin=\"09:50\"/>\n</Sesiones>\n</Centro>\n");
        writeSubjects(codes);
        writeSoluc({{"X1", "CCM", "1", "2", "G1", "P1", "A1"},
                    {"X2", "CCM", "1", "1", "G1", "P1", "A1"},
                    {"X2", "CCM", "2", "1", "G1", "P1", "A1"}});
        ASSERT_EQ(runImport(), RunOutcome::Completed) << c.planned;
        EXPECT_EQ(state.summary.hoursDiffering, c.differing) << c.planned;

        const std::string html = readText(timetableFile());
        const std::vector<std::string> rows = hoursRows(html);
        ASSERT_EQ(rows.size(), std::min<std::size_t>(c.differing, 200)) << c.planned;
        EXPECT_TRUE(std::equal(c.firstRows.begin(), c.firstRows.end(), rows.begin())) << c.planned;
        EXPECT_TRUE(std::equal(c.lastRows.rbegin(), c.lastRows.rend(), rows.rbegin())) << c.planned;
        // X2 counts its two cells.
        EXPECT_EQ(occurrences(html, "<td>X2</td><td>sin prever</td><td>0</td><td>2</td>"),
                  c.differing <= 200 ? 1u : 0u)
            << c.planned;
    }
}

TEST_F(TimetableCheckTest, AGroupSubjectNeverPlacedIsShownByTheSchoolsNames) {
    // Neither G2 nor FIS is in the timetable: their names come from the plan.
    writeText(
        schoolFile(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Centro Codigo=\"1\" Nombre=\"IES\" "
        "CursoEscolar=\"2026/2027\" Version=\"1\">\n<Materias>\n<Materia Codigo=\"X1\"/>\n"
        "<Materia Codigo=\"FIS\" Denominacion=\"Física &amp; Química\"/>\n</Materias>\n<Grupos>\n"
        "<Grupo Codigo=\"G1\"/>\n<Grupo Codigo=\"G2\" Denominacion=\"2º &lt;B&gt;\"><MateriasGrupo>"
        "<MateriaGrupo Codigo=\"FIS\" Horas=\"02,00\"/></MateriasGrupo></Grupo>\n</Grupos>\n"
        "<Sesiones>\n<Sesion Dia=\"L\" HoraInicio=\"08:00\" HoraFin=\"08:55\"/>\n</Sesiones>\n</Centro>\n");
    writeSubjects({{"X1", "X1", "F"}, {"FIS", "FIS", "F"}});
    writeSoluc({{"X1", "CCM", "1", "1", "G1", "P1", "A1"}});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::string html = readText(timetableFile());
    EXPECT_NE(html.find("<tr><td>2º &lt;B&gt; <span class=\"code\">(G2)</span></td><td>Física &amp; Química "
                        "<span class=\"code\">(FIS)</span></td><td>02,00</td><td>2</td><td>0</td></tr>"),
              std::string::npos)
        << html;
}

TEST_F(TimetableCheckTest, ALessonWhoseSubjectHasNoCodeInTheResultStillHasItsPlaceInTheGrids) {
    writeSubjects({{"MAT", "MAT", "F"}, {"SINCOD", "", "F"}});
    writeSoluc({{"SINCOD", "CCM", "1", "1", "G1", "P1", "A1"},
                {"SINCOD", "CCM", "1", "1", "G1", "P2", "A1"},
                {"MAT", "CCM", "1", "1", "G1", "P3", "A2"}});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(state.summary.timetableError, "");
    EXPECT_EQ(state.summary.groupClashes, 1u); // the lesson without code and MAT, both in G1
    const std::string html = readText(timetableFile());
    EXPECT_NE(html.find("<td class=\"x\"><strong>¡Coincidencia!</strong><b></b>\nAna García Núñez\nAula 1<hr>"
                        "<b></b>\nLuis O&#39;Brien\nAula 1<hr><b>Matemáticas"),
              std::string::npos);
}

// Horavia knows a room by AULAT's ABREV: a room whose code repeats another's
// is a room of its own there, and one without a code goes by its name. Each
// has its grid under its own name, and two of them at once are no clash;
// the result still gives the school's codes back.
TEST_F(TimetableCheckTest, EveryRoomHoraviaKnowsHasItsGridUnderItsName) {
    std::string school = readText(schoolFile());
    const std::string rooms = "<Aula Codigo=\"A1\" Denominacion=\"Aula 1\"/>\n"
                              "<Aula Codigo=\"A1\" Denominacion=\"Aula 1 bis\"/>\n"
                              "<Aula Codigo=\"\" Denominacion=\"Salón de actos\"/>\n"
                              "<Aula Codigo=\"LABORATORIO1\" Denominacion=\"Laboratorio &amp; taller\"/>\n";
    const std::size_t from = school.find("<Aulas>\n") + 8;
    school.replace(from, school.find("</Aulas>") - from, rooms);
    writeText(schoolFile(), school);
    ui.dialogAnswers = {schoolFile().string()};
    ASSERT_EQ(exporting::runExport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(dumpRows(htemp.path(), "AULAT", {"ABREV", "ABREV_GESTION"}),
              (std::vector<std::string>{"A1|A1", "A11|A1", "Salón de a|", "LABORATOO1|LABORATORIO1"}));

    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "P1", "A1"},
                {"LCL", "CCM", "1", "1", "G2", "P2", "A11"},
                {"ING", "CCM", "1", "1", "G3", "P3", "Salón de a"},
                {"MAT", "CCM", "1", "2", "G1", "P1", "LABORATOO1"},
                {"LCL", "CCM", "1", "2", "G2", "P2", "NOHAY"}});
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(state.summary.timetableError, "");
    EXPECT_EQ(state.summary.roomClashes, 0u);

    const std::string html = readText(timetableFile());
    for (const char* title :
         {"<h2>Aula: Aula 1 <span class=\"code\">(A1)</span></h2>",
          "<h2>Aula: Aula 1 bis <span class=\"code\">(A11)</span></h2>",
          "<h2>Aula: Salón de actos <span class=\"code\">(Salón de a)</span></h2>",
          "<h2>Aula: Laboratorio &amp; taller <span class=\"code\">(LABORATOO1)</span></h2>"}) {
        EXPECT_EQ(occurrences(html, title), 1u) << title;
    }
    EXPECT_EQ(occurrences(html, "<h2>Aula: "), 4u); // and none for a room AULAT lacks
    // The group's grid names the room of each lesson.
    EXPECT_NE(html.find("\nLuis O&#39;Brien\nAula 1 bis"), std::string::npos);
    EXPECT_NE(html.find("\nEva Díaz Pérez\nSalón de actos"), std::string::npos);

    const std::string result = readText(resultFile());
    EXPECT_NE(result.find("codigoMateria=\"LCL\" codigoAula=\"A1\""), std::string::npos) << result;
    EXPECT_NE(result.find("codigoMateria=\"ING\" codigoAula=\"\""), std::string::npos) << result;
}

// A teacher or room that Horavia's tables lack leaves its attribute empty in
// the result; the summary names each such code with its records, and only
// for the records written.
TEST_F(TimetableCheckTest, TeachersAndRoomsThatHoraviaLacksAreListedWithTheirRecords) {
    writeSoluc({{"MAT", "CCM", "1", "1", "G1", "NOEXISTE", "A1"},
                {"LCL", "CCM", "1", "2", "G1", "NOEXISTE", "ZZ"},
                {"GUARDIA", "GUARDIA", "2", "1", "", "P1", "ZZ"},
                {"ING", "CCM", "2", "1", "G2", "P3", "A2"},
                {"MAT", "CCM", "1", "1", "GX", "OTRO", "YY"}}); // left out: its group is unknown
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const RunSummary& s = state.summary;
    EXPECT_EQ(s.teachersNotFound.shown, std::vector<std::string>{"NOEXISTE: 2"});
    EXPECT_EQ(s.roomsNotFound.shown, std::vector<std::string>{"ZZ: 2"});
    EXPECT_NE(s.toText().find("Profesores de SOLUC que no están en PROFT: sus actividades se escriben sin "
                              "profesor (profesor: registros) (1):\n  NOEXISTE: 2\n"),
              std::string::npos)
        << s.toText();
    EXPECT_NE(
        s.toJson().find("\"profesoresNoEncontrados\": {\"total\": 1, \"primeros\": [\"NOEXISTE: 2\"]},\n"
                        "  \"aulasNoEncontradas\": {\"total\": 1, \"primeros\": [\"ZZ: 2\"]}"),
        std::string::npos)
        << s.toJson();
    const std::string result = readText(resultFile());
    EXPECT_NE(result.find("codigoProfesor=\"\" codigoGrupo=\"G1\" codigoMateria=\"LCL\" codigoAula=\"\""),
              std::string::npos)
        << result;
}

// The page finds a room's, group's or teacher's name by the code Horavia
// knows it by, which the export may have altered: for each code the export
// wrote, the name of the first record under it that has one.
TEST_F(TimetableCheckTest, HoraviasCodesFindTheNamesTheExportWroteUnderThem) {
    struct School {
        const char* name;
        std::string rooms, groups, teachers;
    };
    const std::string oneRoom = R"(<Aula Codigo="A1" Denominacion="Aula 1"/>)";
    const std::string oneTeacher = R"(<Profesor Codigo="P1" Nombre="Ana" Apellido1="Gil" Apellido2=""/>)";
    const School schools[] = {
        {"codes that repeat, change letter case, are long or are missing",
         R"(<Aula Codigo="A1" Denominacion="Aula 1"/><Aula Codigo="A1" Denominacion="Aula 1 bis"/>
            <Aula Codigo="a1" Denominacion="Aula 1 ter"/><Aula Codigo="" Denominacion="Salón de actos"/>
            <Aula Codigo="" Denominacion="Salón de actos B"/><Aula Codigo="" Denominacion="Salón de actos C"/>
            <Aula Codigo="" Denominacion=""/><Aula Codigo="" Denominacion=""/>
            <Aula Codigo="X" Denominacion=""/><Aula Codigo="X" Denominacion="Aula X bis"/>
            <Aula Codigo="LABORATORIO1" Denominacion=""/><Aula Codigo="LABORATORIO1" Denominacion="Laboratorio"/>
            <Aula Codigo="" Denominacion="Sala de 1 A"/><Aula Codigo="Ñ1" Denominacion="Aula Ñ"/>
            <Aula Codigo="ñ1" Denominacion="Aula ñ"/>)",
         R"(<Grupo Codigo="1A" Denominacion="Primero A"/><Grupo Codigo="1a" Denominacion="Primero a"/>
            <Grupo Codigo="1ESO-A-BACH" Denominacion="Largo"/><Grupo Codigo="1ESO-A-BACH" Denominacion="Largo bis"/>)",
         R"(<Profesor Codigo="P1" Nombre="Ana" Apellido1="Gil" Apellido2=""/>
            <Profesor Codigo="p1" Nombre="Eva" Apellido1="Sanz" Apellido2=""/>
            <Profesor Codigo="PROFESOR-LARGO" Nombre="Luis" Apellido1="Paz" Apellido2=""/>)"},
        {"a single group with a long code", oneRoom,
         R"(<Grupo Codigo="1ESO-A-BACH" Denominacion="Primero A"/>)", oneTeacher},
    };
    std::string school = readText(schoolFile());
    const auto between = [&](std::string& text, const std::string& open, const std::string& close,
                             const std::string& body) {
        const std::size_t from = text.find(open) + open.size();
        text.replace(from, text.find(close) - from, body);
    };
    for (const School& c : schools) {
        std::string xml = school;
        between(xml, "<Aulas>", "</Aulas>", c.rooms);
        between(xml, "<Grupos>", "</Grupos>", c.groups);
        between(xml, "<Profesores>", "</Profesores>", c.teachers);
        writeText(schoolFile(), xml);
        ui.dialogAnswers = {schoolFile().string()};
        ASSERT_EQ(exporting::runExport(state, ui), RunOutcome::Completed) << c.name;

        std::vector<XmlFamilySpec> families = {{"/Centro", {"Codigo", "Nombre", "CursoEscolar"}}};
        families.insert(families.end(), timetable::SchoolNames::families().begin(),
                        timetable::SchoolNames::families().end());
        const timetable::SchoolNames names =
            timetable::SchoolNames::read(XmlFamilies::read(schoolFile(), families));
        using Lookup = const std::string_view* (timetable::SchoolNames::*)(std::string_view) const;
        const std::tuple<const char*, const char*, Lookup> tables[] = {
            {"AULAT", "NOMBRE", &timetable::SchoolNames::room},
            {"GRUPOST", "DESCRIP", &timetable::SchoolNames::group},
            {"PROFT", "NOMBRE", &timetable::SchoolNames::teacher}};
        for (const auto& [table, nameField, lookup] : tables) {
            std::map<std::string, std::string> expected; // code -> the first name under it
            for (const std::string& row : dumpRows(htemp.path(), table, {"ABREV", nameField})) {
                const std::string code = row.substr(0, row.find('|'));
                const std::string name = row.substr(row.find('|') + 1);
                std::string& first = expected[code];
                if (first.empty() && name != ",  ") { // a teacher's without any part
                    first = name;
                }
            }
            for (const auto& [code, name] : expected) {
                const std::string_view* found = (names.*lookup)(code);
                if (std::string(table) == "PROFT") { // written there as "Nombre, Apellido1 Apellido2"
                    EXPECT_EQ(found != nullptr, !name.empty()) << c.name << ": " << table << " " << code;
                } else if (name.empty()) {
                    EXPECT_EQ(found, nullptr) << c.name << ": " << table << " " << code << " " << *found;
                } else {
                    ASSERT_NE(found, nullptr) << c.name << ": " << table << " " << code;
                    EXPECT_EQ(*found, name) << c.name << ": " << table << " " << code;
                }
            }
        }
    }
}

TEST(TimetablePlanTest, ASubjectPlannedManyTimesAddsUpItsSessionsBeyondWhatAnIntHolds) {
    // One-minute sessions turn each line's "Horas" into 15,728,610 sessions;
    // the group lists the subject 200 times, one line of the check.
    std::string plan;
    for (int i = 0; i < 200; ++i) {
        plan += R"(<MateriaGrupo Codigo="MAT" Horas="262143,50"/>)";
    }
    std::vector<XmlFamilySpec> families = {{"/Centro", {"Codigo", "Nombre", "CursoEscolar"}}};
    families.insert(families.end(), timetable::SchoolNames::families().begin(),
                    timetable::SchoolNames::families().end());
    const XmlFamilies doc = XmlFamilies::fromBytes(
        R"(<Centro Codigo="1"><Grupos><Grupo Codigo="G1"><MateriasGrupo>)" + plan +
            R"(</MateriasGrupo></Grupo></Grupos><Sesiones><Sesion Dia="L" HoraInicio="08:00" HoraFin="08:01"/>)"
            R"(<Sesion Dia="L" HoraInicio="08:01" HoraFin="08:02"/></Sesiones></Centro>)",
        families);
    const timetable::SchoolNames names = timetable::SchoolNames::read(doc);
    timetable::Timetable nothingPlaced;
    nothingPlaced.index();
    const timetable::TimetableCheck check = timetable::TimetableCheck::of(nothingPlaced, names);
    ASSERT_EQ(check.hours.size(), 1u);
    EXPECT_EQ(check.hours[0].planned, 200 * std::int64_t{15728610});
    EXPECT_EQ(check.hours[0].placed, 0u);
}

} // namespace
} // namespace vinculor::testing
