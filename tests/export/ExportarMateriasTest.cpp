#include "support/ExportFixture.h"

namespace vinculor::exporting {
namespace {

using testing::ExportFixture;

std::string subjects(const std::vector<std::string>& codes, const char* family, const char* element) {
    std::string xml = std::string("<") + family + ">";
    for (const std::string& code : codes) {
        xml += std::string("<") + element + " Codigo='" + code + "' Denominacion='Nombre de " + code + "'/>";
    }
    return xml + "</" + family + ">";
}

class ExportarMateriasTest : public ExportFixture {
protected:
    std::vector<std::string> run(const std::vector<std::string>& materias,
                                 const std::vector<std::string>& tipos) {
        load(subjects(materias, "Materias", "Materia") + subjects(tipos, "TiposActividad", "TipoActividad"));
        ExportContext ctx = context();
        ExportarMaterias(ctx);
        ExportarTiposActividad(ctx);
        return rows("ASIGNOMT", {"COD", "CODLARGO", "ABREV_GESTION", "ESTAREA"});
    }
};

TEST_F(ExportarMateriasTest, WorkedExampleOfShortCodes) {
    const auto got = run(
        {"MAT", "  lengua  ", "MAT", "mat", "MATEMATICAS1", "MATEMATICAS2", "MATEMATICAS1", "MATEMATICAS3"},
        {"GUARDIA", "MAT", "REUNIONDEPTO1", "REUNIONDEPTO2"});
    const std::vector<std::string> expected = {
        "MAT|MAT|MAT|F",
        "lengua|lengua|lengua|F",
        // 'MAT' again: key known, its code already written: no record
        "mat|mat|mat|F",
        "MATEMATIS1|MATEMATICA|MATEMATICA|F",
        "MATEMATIS2|MATEMATICA|MATEMATICA|F",
        "MATEMATICA|MATEMATICA|MATEMATICA|F",
        // a new key whose ten characters are written: the ninth character less, then a number
        "MATEMATIC1|MATEMATICA|MATEMATICA|F",
        "GUARDIA|GUARDIA|GUARDIA|T",
        // activity 'MAT': key known from the subjects, code written: no record
        "REUNIONDO1|REUNIONDEP|REUNIONDEP|T",
        "REUNIONDEP|REUNIONDEP|REUNIONDEP|T",
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(rows("ASIGNOMT", {"NOMBRE", "CODTAREA"})[0], "Nombre de MAT|");
}

// The import gives a lesson's subject back as the first ten characters of its
// code: subjects that share them come back as one, and the summary names them.
// An activity type comes back as its own short code.
TEST_F(ExportarMateriasTest, SubjectsThatWillComeBackUnderOneCodeAreReported) {
    run({"MATEMATICAS1", "MATEMATICAS2", "MATEMATICAS1", "MATEMATICA", "LENGUA", "LENGUAEXTRANJERA"},
        {"REUNIONDEPTO1", "REUNIONDEPTO2"});
    EXPECT_EQ(state.summary.subjectsReturnedAlike,
              (std::vector<std::string>{"MATEMATICAS2: volverá como «MATEMATICA», igual que MATEMATICAS1",
                                        "MATEMATICA: volverá como «MATEMATICA», igual que MATEMATICAS1"}));
}

TEST_F(ExportarMateriasTest, ASingleElementOfAFamilyIsWritten) {
    EXPECT_EQ(run({"LEN"}, {"GUARDIA"}),
              (std::vector<std::string>{"LEN|LEN|LEN|F", "GUARDIA|GUARDIA|GUARDIA|T"}));
}

TEST_F(ExportarMateriasTest, EmptyFamiliesGiveAnEmptyTableWithItsFields) {
    EXPECT_TRUE(run({}, {}).empty());
    Table table(htemp.path(), "ASIGNOMT");
    table.open();
    ASSERT_EQ(table.fields().size(), 6u);
    EXPECT_EQ(table.fields()[5].name, "ABREV_GESTION");
    EXPECT_EQ(table.fields()[4].type, DbfType::Logical);
}

TEST_F(ExportarMateriasTest, BlankCodesGiveOneEmptyCodeAndMissingAttributesReadEmpty) {
    load("<Materias><Materia Codigo='  ' Denominacion='a'/><Materia/><Materia Codigo='X'/></Materias>");
    ExportContext ctx = context();
    ExportarMaterias(ctx);
    ExportarTiposActividad(ctx);
    EXPECT_EQ(rows("ASIGNOMT", {"COD", "NOMBRE"}), (std::vector<std::string>{"|a", "X|"}));
    ASSERT_EQ(state.summary.omissions.size(), 1u);
}

TEST_F(ExportarMateriasTest, ASecondRunInTheSameProgramWritesTheSameTable) {
    const auto first = run({"MAT", "MATEMATICAS1", "MATEMATICAS1"}, {"GUARDIA", "GUARDIA"});
    ExportContext ctx = context(); // a new run, with new code lists
    ExportarMaterias(ctx);
    ExportarTiposActividad(ctx);
    EXPECT_EQ(rows("ASIGNOMT", {"COD", "CODLARGO", "ABREV_GESTION", "ESTAREA"}), first);
    EXPECT_EQ(first.size(), 4u);
}

} // namespace
} // namespace vinculor::exporting
