#include "base/Error.h"
#include "export/SessionTime.h"
#include "support/ExportFixture.h"

#include <cmath>

namespace vinculor::exporting {
namespace {

using testing::ExportFixture;

TEST(SessionTime, HoursSessionsAndPatterns) {
    struct Case {
        const char* horas;
        SessionLengths lengths;
        float value;
        const char* pattern;
    };
    const SessionLengths usual{55, 30, 60};
    const Case cases[] = {
        {"03,00", usual, 3, "111"},
        {"00,00", usual, 1, "1"},               // counts as one hour
        {"20,00", usual, 20, "71111111111111"}, // seven more than thirteen
        {"02,50", usual, 5, "11111"},           // 150 minutes: five sessions of 30
        {"01,30", usual, 2, "11"},              // 78 minutes fit none: 1.3 hours rounded up
        {"02,50", {55, 55, 0}, 3, "111"},       // a week of one length
        {"02,50", {0, 0, 0}, 3, "111"},         // no sessions at all: never divided by zero
        {"2,5", usual, 5, "11111"},             // not whole hours by its fourth and fifth characters
        {"2.5", usual, 5, "11111"},             // a point is a decimal separator too
        {"3", usual, 6, "111111"},              // 180 minutes: six sessions of 30
        {"3", {55, 55, 0}, 3, "111"},           // fits none but is whole: hours, not 180 minutes
        {"00,75", {55, 0, 45}, 1, "1"},         // the third length only counts beside a second
        {"13,00", usual, 13, "1111111111111"},
        {"14,00", usual, 14, "11111111111111"},
        {"15,00", usual, 15, "21111111111111"},
        {"25,00", usual, 25, "121111111111111"},
        {"-1,00", usual, -1, ""},
    };
    for (const Case& c : cases) {
        const float value = sessionTime(c.horas, c.lengths);
        EXPECT_EQ(value, c.value) << c.horas;
        EXPECT_EQ(sessionPattern(value), c.pattern) << c.horas;
    }
}

TEST(SessionTime, ANumberThatIsNotOneStopsWithItsText) {
    for (const char* bad : {"", "dos", "02:50", "1e39"}) {
        try {
            sessionTime(bad, {55, 30, 60});
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(bad) + "' is not a valid floating point value");
        }
    }
}

class ExportarMateriasGrupoTest : public ExportFixture {
protected:
    std::vector<std::string> run(const std::string& groups) {
        load("<Grupos>" + groups + "</Grupos>");
        ExportContext ctx = context();
        ExportarMaterias(ctx); // the tables the step holds open while it writes
        ExportarProfesores(ctx);
        ExportarGrupos(ctx);
        ExportarMateriasGrupo(ctx, SessionLengths{55, 30, 60});
        return rows("ASIGT", {"CASIG", "CPROF", "CGRUP", "CAULA", "TURNO", "NIVEL", "CURSO", "GRUPO", "HORAS",
                              "SESIONES", "NCONEX", "CTAREA", "ASIG_GESTION"});
    }
};

std::string group(const std::string& code, const std::string& shift, const std::string& subjects) {
    return "<Grupo Codigo='" + code + "' Turno='" + shift + "' CodigoEnsenanza='ESO' Curso='1' Letra='A'>" +
           "<MateriasGrupo>" + subjects + "</MateriasGrupo></Grupo>";
}

std::string subject(const std::string& code, const std::string& horas) {
    return "<MateriaGrupo Codigo='" + code + "' Horas='" + horas + "'/>";
}

TEST_F(ExportarMateriasGrupoTest, RecordsComeGroupByGroupAndRepeatedGroupCodesRepeatTheirSubjects) {
    const auto got =
        run(group("1A", "M", subject("MAT", "03,00") + subject("  ", "02,00") + subject("LEN", "02,50")) +
            group("1B", "T", subject("MATEMATICAS1", "01,30")) + group("1A", "T", subject("EF", "2")));
    const std::vector<std::string> expected = {
        "MAT||1A||M|ESO|1|A|3|111||CCM|1A", "LEN||1A||M|ESO|1|A|5|11111||CCM|1A",
        "EF||1A||M|ESO|1|A|4|1111||CCM|1A", "MATEMATICA||1B||T|ESO|1|A|2|11||CCM|1B",
        "MAT||1A||T|ESO|1|A|3|111||CCM|1A", "LEN||1A||T|ESO|1|A|5|11111||CCM|1A",
        "EF||1A||T|ESO|1|A|4|1111||CCM|1A",
    };
    EXPECT_EQ(got, expected);
}

TEST_F(ExportarMateriasGrupoTest, OneGroupAndOneSubjectAreWritten) {
    EXPECT_EQ(run(group("1A", "M", subject("MAT", "03,00"))),
              std::vector<std::string>{"MAT||1A||M|ESO|1|A|3|111||CCM|1A"});
}

// What one group writes in its records never carries over to the next, and a
// Horas seen before gives the same time again.
TEST_F(ExportarMateriasGrupoTest, AGroupLackingAttributesWritesThemBlankAfterOneThatHasThem) {
    const auto got = run(group("1A", "M", subject("MAT", "02,50")) + "<Grupo Codigo='1B'><MateriasGrupo>" +
                         subject("LEN", " 02,50 ") + "</MateriasGrupo></Grupo>");
    const std::vector<std::string> expected = {
        "MAT||1A||M|ESO|1|A|5|11111||CCM|1A",
        "LEN||1B||||||5|11111||CCM|1B",
    };
    EXPECT_EQ(got, expected);
}

// Horavia will not know a subject that the file does not give: its record is
// written as before, and the summary names it with the groups that have it.
TEST_F(ExportarMateriasGrupoTest, ASubjectThatIsNeitherASubjectNorAnActivityTypeIsReported) {
    // A long subject code is known whole; an activity type by its first ten characters.
    load("<Materias><Materia Codigo='MAT'/><Materia Codigo='MATEMATICAS1'/></Materias><TiposActividad>"
         "<TipoActividad Codigo='GUARDIA-RECREO'/></TiposActividad><Grupos>" +
         group("1A", "M",
               subject("MAT", "1") + subject("GUARDIA-RECREO", "1") + subject("MATX", "1") +
                   subject(" ", "1")) +
         group("1B", "M", subject("mat", "1") + subject("MATEMATICAS1", "1")) +
         group("1A", "T", subject("LEN", "1")) + group("2A", "M", subject("MATX", "1")) +
         group("2B", "M", subject("MATX", "1")) + group("2C", "M", subject("MATX", "1")) +
         group("2D", "M", subject("MATX", "1")) +
         group("2E", "M", subject("MATX", "1") + subject("MATX", "1")) + "</Grupos>");
    ExportContext ctx = context();
    ExportarMaterias(ctx);
    ExportarTiposActividad(ctx);
    ExportarProfesores(ctx);
    ExportarGrupos(ctx);
    ExportarMateriasGrupo(ctx, SessionLengths{55, 30, 60});
    // Each code once, with its first five groups; 2E has it twice and counts once.
    EXPECT_EQ(state.summary.subjectsNotFound,
              (std::vector<std::string>{"MATX: 1A, 2A, 2B, 2C, 2D y 1 más", "mat: 1B", "LEN: 1A"}));
    EXPECT_EQ(rows("ASIGT", {"CASIG"}).size(), 16u); // each 1A writes the subjects of both
}

TEST_F(ExportarMateriasGrupoTest, ABadHoursAnywhereStopsTheStepBeforeAnyRecord) {
    try {
        run(group("1A", "M", subject("MAT", "03,00")) + group("1B", "M", subject("", "tres")));
        FAIL();
    } catch (const Error& e) {
        // The exact message, then where: the group, the subject and the attribute.
        EXPECT_EQ(std::string(e.what()).substr(0, std::string(e.what()).find('\n')),
                  "'tres' is not a valid floating point value");
        EXPECT_NE(std::string(e.what()).find("\nEn el grupo «1B», materia «», atributo «Horas»"),
                  std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace vinculor::exporting
