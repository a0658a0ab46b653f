#include "support/ExportFixture.h"

namespace vinculor::exporting {
namespace {

using testing::ExportFixture;

class ExportarProfesoresTest : public ExportFixture {
protected:
    std::vector<std::string> run(const std::string& body) {
        load(body);
        ExportContext ctx = context();
        ExportarProfesores(ctx);
        return rows("PROFT", {"ABREV", "NOMBRE", "DEPART", "EMAIL"});
    }
};

std::string teacher(const std::string& code, const std::string& dep = "") {
    return "<Profesor Codigo='" + code + "' Nombre='N' Apellido1='A' Apellido2='B' CodigoDep='" + dep + "'/>";
}

TEST_F(ExportarProfesoresTest, RepeatedCodesAreToldApartIgnoringLetterCase) {
    struct Case {
        const char* name;
        std::vector<std::string> codes;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"numbers", {"A7", "A7", "A7", "A71"}, {"A7", "A71", "A72", "A711"}},
        {"letter case", {"ab", "AB"}, {"ab", "AB1"}},
        {"accented capitals", {"ÑÚ", "ñú", "Ñu"}, {"ÑÚ", "ñú1", "Ñu"}},
        {"empty", {"", " ", ""}, {"", "1", "2"}},
        {"long", {"ABCDEFGHIJKL", "ABCDEFGHIJKL"}, {"ABCDEFGHIJ", "ABCDEFGHIJ"}},
        {"single", {"P1"}, {"P1"}},
    };
    for (const Case& c : cases) {
        std::string body = "<Profesores>";
        for (const std::string& code : c.codes) {
            body += teacher(code);
        }
        std::vector<std::string> abrevs;
        for (const std::string& row : run(body + "</Profesores>")) {
            abrevs.push_back(row.substr(0, row.find('|')));
        }
        EXPECT_EQ(abrevs, c.expected) << c.name;
    }
}

TEST_F(ExportarProfesoresTest, NameAndDepartmentLookUp) {
    const auto got =
        run("<Departamentos><Departamento Codigo='d1' Denominacion='minúsculas'/>"
            "<Departamento Codigo='D1' Denominacion='Matemáticas'/>"
            "<Departamento Codigo='D1' Denominacion='repetido'/></Departamentos>"
            "<Profesores>"
            "<Profesor Codigo=' P5 ' Nombre='Ana' Apellido1='Ruiz' Apellido2='' CodigoDep='D1'/>"
            "<Profesor Codigo='P6' Nombre='Íñigo' Apellido1='Núñez' Apellido2='Peña' CodigoDep=' '/>"
            "<Profesor Codigo='P7' Nombre='x' CodigoDep='D9'/>"
            "</Profesores>");
    const std::vector<std::string> expected = {
        "P5|Ana, Ruiz|Matemáticas|", // 'Ana, Ruiz ' read back without its trailing blank
        "P6|Íñigo, Núñez Peña||",
        "P7|x,|D9|", // unknown department: its code; missing attributes read empty
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(state.summary.departmentsNotFound, std::vector<std::string>{"P7: D9"});
}

TEST_F(ExportarProfesoresTest, ASingleDepartmentIsStillLookedUp) {
    const auto got = run("<Departamentos><Departamento Codigo='D1' Denominacion='Lengua'/></Departamentos>"
                         "<Profesores>" +
                         teacher("P1", "D1") + "</Profesores>");
    EXPECT_EQ(got, std::vector<std::string>{"P1|N, A B|Lengua|"});
}

} // namespace
} // namespace vinculor::exporting
