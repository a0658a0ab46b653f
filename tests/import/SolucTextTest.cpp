// SOLUC as the timetabling program may store it: DIA and HORA as character
// fields, and text fields holding control characters or a NUL.
#include "base/Error.h"
#include "import/ImportFixture.h"

namespace vinculor::importing {
namespace {

using testing::createTable;
using testing::ImportFixture;

class SolucText : public ImportFixture {
protected:
    void writeCharacterSoluc(const std::vector<std::vector<std::string>>& records) {
        createTable(htemp.path(), "SOLUC",
                    {{"ASIG", FieldType::Character, 10},
                     {"TAREA", FieldType::Character, 10},
                     {"DIA", FieldType::Character, 3},
                     {"HORA", FieldType::Character, 4},
                     {"CODGRUPO", FieldType::Character, 10},
                     {"PROF", FieldType::Character, 10},
                     {"AULA", FieldType::Character, 10}},
                    records);
    }
};

TEST_F(SolucText, CharacterDayAndSlotReadAsNumbersAndEmptyAsZero) {
    writeCharacterSoluc({
        // ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA
        {"MAT", "CCM", "1", "3", "1A", "", ""},      // slot 13
        {"MAT", "CCM", " 1", "  3", "1A", "", ""},   // leading blanks in both: slot 13
        {"EF", "CCM", "2", " 10", "2BACHB", "", ""}, // slot 210
        {"MAT", "CCM", "", "3", "1A", "", ""},       // empty day: skipped as a 0
        {"MAT", "CCM", "1", "", "1A", "", ""},       // empty slot: skipped as a 0
        {"MAT", "CCM", "  ", "   ", "1A", "", ""},   // blanks only
    });
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    EXPECT_EQ(state.summary.lessons, 3u);
    EXPECT_EQ(state.summary.skippedDayOrSlotZero, 3u);
    const std::vector<std::string> activities = this->activities();
    ASSERT_EQ(activities.size(), 3u);
    EXPECT_NE(activities[1].find("dia=L HoraInicio=09:50"), std::string::npos) << activities[1];
    EXPECT_NE(activities[2].find("dia=M HoraInicio=16:00"), std::string::npos) << activities[2];
}

TEST_F(SolucText, ADayOrSlotThatIsNoNumberStopsTheRunAndTheMessageSaysWhichRecordHoldsIt) {
    struct Case {
        std::vector<std::string> record; // ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA
        std::string message;             // its first line, then where
    };
    const std::string soluc = (htemp / "SOLUC.DBF").string();
    const Case cases[] = {
        {{"MAT", "CCM", "L", "3", "1A", "PGARCIA", "A1"},
         "'L' is not a valid integer value\nEn el campo DIA de un registro de SOLUC («" + soluc +
             "»): materia «MAT», tarea «CCM», grupo «1A», profesor «PGARCIA», aula «A1»."},
        // A task, read once every lesson is written.
        {{"GUARDIA", "GUARDIA", "2", "3ª", "", "PLOPEZ", ""},
         "'3ª' is not a valid floating point value\nEn el campo HORA de un registro de SOLUC («" + soluc +
             "»): materia «GUARDIA», tarea «GUARDIA», grupo «», profesor «PLOPEZ», aula «»."},
    };
    for (const Case& c : cases) {
        writeCharacterSoluc({{"MAT", "CCM", "1", "3", "1A", "", ""}, c.record});
        try {
            runImport();
            ADD_FAILURE() << "sin error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      c.message + " Vuelva a calcular y guardar el horario en Horavia, y a importar.");
        }
    }
}

// A SOLUC whose header names DOS code page 850 holds its accented codes in
// that page's bytes; they are found as the look-up tables (in 1252) hold them.
TEST_F(SolucText, CodesInTheCodePageTheHeaderNamesAreFound) {
    writeSoluc({{"MAT", "CCM", "1", "1", "1ESOA", "NÚÑEZ", "AULAÑ"}});
    std::string bytes = testing::readText(htemp / "SOLUC.DBF");
    ASSERT_EQ(bytes.substr(32, 8), "DBWINWE0");
    for (const auto& [cp1252, cp850] : {std::pair<std::string, std::string>("N\xDA\xD1"
                                                                            "EZ",
                                                                            "N\xE9\xA5"
                                                                            "EZ"),
                                        std::pair<std::string, std::string>("AULA\xD1", "AULA\xA5")}) {
        const std::size_t at = bytes.find(cp1252);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, cp850.size(), cp850);
    }
    bytes.replace(32, 8, "DB850WE0");
    testing::writeText(htemp / "SOLUC.DBF", bytes);

    ASSERT_EQ(runImport(), RunOutcome::Completed);
    const std::vector<std::string> activities = this->activities();
    ASSERT_EQ(activities.size(), 1u);
    EXPECT_NE(activities[0].find("codigoProfesor=NÚÑEZ "), std::string::npos) << activities[0];
    EXPECT_NE(activities[0].find("codigoAula=AULA-Ñ "), std::string::npos) << activities[0];
}

TEST_F(SolucText, ControlCharactersBecomeQuestionMarksAndAreCounted) {
    writeSoluc({
        // ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA
        {"MAT", "C\x01M", "1", "1", "1ESOA", "", ""}, // lesson with a control in "tipo"
        {"GUARDIA", "GUARDIA", "5", "4", std::string("A\0B\x1F", 4), "", ""}, // task: NUL in the group
        {"GUARDIA", "GUARDIA", "5", "4", "tab\there", "", ""},                // a tab is fine in XML
    });
    ASSERT_EQ(runImport(), RunOutcome::Completed);
    // The document loads: it is well-formed.
    const std::vector<std::string> activities = this->activities();
    ASSERT_EQ(activities.size(), 3u);
    EXPECT_NE(activities[0].find("tipo=C?M "), std::string::npos) << activities[0];
    EXPECT_NE(activities[1].find("codigoGrupo=A?B? "), std::string::npos) << activities[1];
    EXPECT_NE(activities[2].find("codigoGrupo=tab\there "), std::string::npos) << activities[2];
    EXPECT_EQ(state.summary.valuesWithControlCharacters, 2u);
    EXPECT_NE(state.summary.toText().find("escritos con «?» en su lugar: 2"), std::string::npos);
}

} // namespace
} // namespace vinculor::importing
