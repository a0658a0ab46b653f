#include "support/ExportFixture.h"

namespace vinculor::exporting {
namespace {

using testing::ExportFixture;

class ExportarGruposTest : public ExportFixture {
protected:
    std::vector<std::string> run(const std::string& body) {
        load(body);
        ExportContext ctx = context();
        ExportarProfesores(ctx);
        ExportarGrupos(ctx);
        return rows("GRUPOST", {"ABREV", "DESCRIP", "TUTOR"});
    }
};

const std::string kTeachers = "<Profesores><Profesor Codigo='P5'/><Profesor Codigo='P7'/></Profesores>";
const std::string kTeachings = "<Ensenanzas><Ensenanza Codigo='E1' Denominacion='Educación Secundaria'/>"
                               "<Ensenanza Codigo='E2' Denominacion='Bachillerato'/>"
                               "<Ensenanza Codigo='E1' Denominacion='repetida'/></Ensenanzas>";

std::string group(const std::string& code, const std::string& name, const std::string& teaching,
                  const std::string& tutor) {
    return "<Grupo Codigo='" + code + "' Denominacion='" + name + "' CodigoEnsenanza='" + teaching +
           "' CodigoTutor='" + tutor + "' Turno='M' Curso='1' Letra='A'/>";
}

TEST_F(ExportarGruposTest, WorkedExampleOfGroups) {
    const auto got =
        run(kTeachers + kTeachings + "<Grupos>" + group("1A", "1º A", "E1", "P5") +
            group("1A", "1º A tarde", "E1", "P9") + group("2BACHCIENCIAS", "2º Bach", "E2", "p7") +
            group("3C", "3º C", "E9", "") + "</Grupos>");
    const std::vector<std::string> expected = {
        "1A|1º A (Educación Secundaria)|P5",
        "1A1|1º A tarde (Educación Secundaria)|",
        "2BACHCIEAS|2º Bach (Bachillerato)|", // the tutor's letter case differs from PROFT's
        "3C|3º C|",
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(state.summary.tutorsNotFound, (std::vector<std::string>{"1A: P9", "2BACHCIENCIAS: p7"}));
    EXPECT_EQ(state.summary.teachingsNotFound, std::vector<std::string>{"3C: E9"});
}

TEST_F(ExportarGruposTest, FieldsAreWrittenAsGivenAndCutByTheTable) {
    run("<Ensenanzas><Ensenanza Codigo='ESO' Denominacion='ESO'/></Ensenanzas><Grupos>"
        "<Grupo Codigo=' 4C ' Denominacion=' 4º C ' CodigoEnsenanza='ESOLOE2' Turno='Mañana' Curso='4ºC' "
        "Letra='C'/></Grupos>");
    EXPECT_EQ(rows("GRUPOST", {"ABREV", "TURNO", "NIVEL", "CURSO", "GRUPO", "DESCRIP", "MARCO", "TUTOR"}),
              std::vector<std::string>{"4C|M|ESOLO|4ºC|C|4º C|0|"});
}

TEST_F(ExportarGruposTest, ASingleTeachingIsStillLookedUpAndASingleGroupWritten) {
    const auto got = run(kTeachers +
                         "<Ensenanzas><Ensenanza Codigo='E1' Denominacion='ESO'/></Ensenanzas>"
                         "<Grupos>" +
                         group("1A", "1º A", "E1", "P7") + "</Grupos>");
    EXPECT_EQ(got, std::vector<std::string>{"1A|1º A (ESO)|P7"});
}

TEST_F(ExportarGruposTest, RepeatedLongCodesShareTheirShortenedCode) {
    const auto got =
        run("<Grupos>" + group("2BACHCIENCIAS", "a", "", "") + group("2BACHCIENCIAS", "b", "", "") +
            group("2bachciencias", "c", "", "") + "</Grupos>");
    // The code keeps its own letters: only the test for a repeat ignores their case.
    EXPECT_EQ(got, (std::vector<std::string>{"2BACHCIEAS|a|", "2BACHCIEAS|b|", "2bachcieas|c|"}));
    // The summary names each group that shares an earlier one's code, for the timetabling
    // program will take them for one group.
    EXPECT_EQ(state.summary.codesShared.shown,
              (std::vector<std::string>{"GRUPOST: «2BACHCIENCIAS» como «2BACHCIENCIAS» → «2BACHCIEAS»",
                                        "GRUPOST: «2bachciencias» como «2BACHCIENCIAS» → «2bachcieas»"}));
}

} // namespace
} // namespace vinculor::exporting
