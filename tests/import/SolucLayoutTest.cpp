// The passes over SOLUC read each field at the place and in the form the
// table's header gives, and keep the tasks aside to write them after the
// lessons in SOLUC's order.
#include "files/FileSystem.h"
#include "import/ImportFixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vinculor::importing {
namespace {

using testing::createTable;
using testing::ImportFixture;
using testing::TempDir;

// Records in the usual field order: ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA.
const std::vector<std::vector<std::string>> kRecords = {
    {"GUARDIA", "GUARDIA", "5", "4", "", "NÚÑEZ", ""},      // task, non-ASCII teacher
    {"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"},   // lesson
    {"MAT", "CCM", "0", "1", "1ESOA", "GARCIAJ", "INF1"},   // day 0
    {"MAT", "Cñ&", "1", "3", "1A", "", "AULAÑ"},            // a type to escape, a non-ASCII room
    {"LCL", "LCL", "3", "2", "2BACHB", "PEREZM1", "AULAÑ"}, // task with group and room
    {"MAT", "CCM", "1", "1", "9Z", "GARCIAJ", "INF1"},      // unknown group
    {"EF", "CCM", "2", "10", "2BACHB", "NADIE", "NINGUNA"}, // slot 210; unknown teacher and room
    {"XYZ", "XYZ", "1", "1", "", "", ""},                   // task of an unknown activity type
};

class SolucLayout : public ImportFixture {
protected:
    std::vector<std::string> importedActivities() {
        EXPECT_EQ(runImport(), RunOutcome::Completed);
        return activities();
    }
};

TEST_F(SolucLayout, FieldsAreReadWhereverAndHoweverTheHeaderPutsThem) {
    writeSoluc(kRecords);
    const std::vector<std::string> usual = importedActivities();
    ASSERT_EQ(usual.size(), 5u);
    const std::string usualSummary = state.summary.toText();

    // The same records with the fields in another order and of other widths,
    // other fields between them, DIA as numeric text and HORA as characters;
    // and AULAT with its key after the code it gives.
    std::vector<std::vector<std::string>> shuffled;
    for (const std::vector<std::string>& r : kRecords) {
        shuffled.push_back({"T", r[6], "una nota larga", r[5], r[4], r[3], r[2], r[1], r[0]});
    }
    createTable(htemp.path(), "SOLUC",
                {{"MARCA", FieldType::Boolean, 0},
                 {"AULA", FieldType::Character, 12},
                 {"NOTA", FieldType::Character, 40},
                 {"PROF", FieldType::Character, 20},
                 {"CODGRUPO", FieldType::Character, 15},
                 {"HORA", FieldType::Character, 3},
                 {"DIA", FieldType::Float, 0},
                 {"TAREA", FieldType::Character, 11},
                 {"ASIG", FieldType::Character, 14}},
                shuffled);
    createTable(htemp.path(), "AULAT",
                {{"ABREV_GESTION", FieldType::Character, 20},
                 {"EDIFICIO", FieldType::Integer, 0},
                 {"ABREV", FieldType::Character, 12}},
                {{"AULA-INF-01", "3", "INF1"}, {"LABFQ", "", "LAB"}, {"AULA-Ñ", "7", "AULAÑ"}});
    EXPECT_EQ(importedActivities(), usual);
    EXPECT_EQ(state.summary.toText().substr(usualSummary.find("Actividades")),
              usualSummary.substr(usualSummary.find("Actividades")));
}

TEST_F(SolucLayout, ManyTasksComeAfterTheLessonsInSolucOrder) {
    // Enough tasks to pass the megabyte kept in memory; each names its place
    // in SOLUC by its group.
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> lessonGroups;
    std::vector<std::string> taskGroups;
    for (int i = 0; i < 30000; ++i) {
        if (i % 7 == 3) {
            records.push_back({"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"});
            lessonGroups.push_back("1ESOA");
        } else {
            const std::string group = "G" + std::to_string(i);
            records.push_back({"GUARDIA", "GUARDIA", "5", "4", group, "", ""});
            taskGroups.push_back(group);
        }
    }
    writeSoluc(records);
    const std::vector<std::string> written = importedActivities();
    ASSERT_EQ(written.size(), records.size());
    EXPECT_EQ(state.summary.lessons, lessonGroups.size());
    EXPECT_EQ(state.summary.tasks, taskGroups.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string& group =
            i < lessonGroups.size() ? lessonGroups[i] : taskGroups[i - lessonGroups.size()];
        ASSERT_NE(written[i].find(" codigoGrupo=" + group + " "), std::string::npos)
            << i << ": " << written[i];
    }
    // The temporary file went with the run.
    for (const auto& entry : std::filesystem::directory_iterator(work.path())) {
        EXPECT_FALSE(files::isTemporaryName(files::toUtf8(entry.path().filename()))) << entry.path();
    }
}

} // namespace
} // namespace vinculor::importing
