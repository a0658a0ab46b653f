#include "support/ExportFixture.h"

namespace vinculor::exporting {
namespace {

using testing::ExportFixture;

class ExportarAulasTest : public ExportFixture {
protected:
    std::vector<std::string> run(const std::vector<std::pair<std::string, std::string>>& rooms) {
        std::string body = "<Aulas>";
        for (const auto& [code, name] : rooms) {
            body += "<Aula Codigo='" + code + "' Denominacion='" + name + "'/>";
        }
        load(body + "</Aulas>");
        ExportContext ctx = context();
        ExportarAulas(ctx);
        return rows("AULAT", {"ABREV", "NOMBRE", "EDIFICIO", "MAXALUM", "ABREV_GESTION"});
    }
};

TEST_F(ExportarAulasTest, WorkedExampleOfRoomCodes) {
    const auto got = run({{"A1", "Aula 1"},
                          {"A1", "Aula 1 bis"},
                          {"a1", "Aula 1 ter"},
                          {"LABORATORIO1", "Laboratorio"},
                          {"AULA-00001", "Aula"},
                          {"AULA-00001", "Aula"},
                          {"", "Gimnasio"},
                          {"", "Aula de Plástica"}});
    const std::vector<std::string> expected = {
        "A1|Aula 1|||A1",
        "A11|Aula 1 bis|||A1",
        "a12|Aula 1 ter|||a1",
        "LABORATOO1|Laboratorio|||LABORATORIO1",
        "AULA-00001|Aula|||AULA-00001",
        "AULA-00011|Aula|||AULA-00001",
        "Gimnasio|Gimnasio|||",
        "Aula de Pl|Aula de Plástica|||",
    };
    EXPECT_EQ(got, expected);
}

TEST_F(ExportarAulasTest, EdgeCasesOfCodes) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> rooms;
        std::vector<std::string> abrevs;
    };
    const Case cases[] = {
        // the repeat test is made on the long code, the list holds short ones
        {"same long code twice",
         {{"LABORATORIO1", "L"}, {"LABORATORIO1", "L"}},
         {"LABORATOO1", "LABORATOO1"}},
        {"case", {{"A1", "x"}, {"a1", "y"}}, {"A1", "a11"}},
        {"name cut", {{"", "Sala de profesores"}}, {"Sala de pr"}},
        {"nothing at all", {{"", ""}, {"", ""}, {"", ""}}, {"", "1", "2"}},
        {"twenty characters", {{"ABCDEFGHIJKLMNOPQRST", "x"}}, {"ABCDEFGHST"}},
        {"one room", {{"R", "x"}}, {"R"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> abrevs;
        for (const std::string& row : run(c.rooms)) {
            abrevs.push_back(row.substr(0, row.find('|')));
        }
        EXPECT_EQ(abrevs, c.abrevs) << c.name;
    }
    EXPECT_EQ(rows("AULAT", {"ABREV_GESTION"}), std::vector<std::string>{"R"});
}

// Rooms that the rules give one code, which the timetabling program will
// take for one room, are named in the summary with the room that had it first.
TEST_F(ExportarAulasTest, TheSummaryNamesRoomsThatShareACode) {
    run({{"LABORATORIO1", "Laboratorio A"},
         {"LABORATORIO1", "Laboratorio B"},
         {"", "Aula de Plástica 1"},
         {"", "Aula de Plástica 2"},
         {"", "Aula de Plástica 3"},
         {"A1", "Aula 1"},
         {"a1", "Aula 1 bis"}});
    EXPECT_EQ(rows("AULAT", {"ABREV"}), (std::vector<std::string>{"LABORATOO1", "LABORATOO1", "Aula de Pl",
                                                                  "Aula de l1", "Aula de l1", "A1", "a11"}));
    EXPECT_EQ(state.summary.codesShared.total, 2u);
    EXPECT_EQ(
        state.summary.codesShared.shown,
        (std::vector<std::string>{"AULAT: «LABORATORIO1» como «LABORATORIO1» → «LABORATOO1»",
                                  "AULAT: «Aula de Plástica 3» como «Aula de Plástica 2» → «Aula de l1»"}));
    EXPECT_NE(
        state.summary.toText().find("Códigos que reciben dos elementos distintos (Horavia los tomará por "
                                    "uno solo; dé a uno otro código en Pincel-eKade) (2):\n"),
        std::string::npos)
        << state.summary.toText();
}

} // namespace
} // namespace vinculor::exporting
