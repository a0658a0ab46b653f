// The example school, examples/centro-ejemplo.xml, exported as a whole: every
// table must match its expected contents in tests/export/golden/<TABLE>.txt,
// which were checked by hand against the conversion rules (codes shortened to
// their first eight and last two characters, repeated codes numbered or
// dropped, unknown tutors dropped, teaching names in DESCRIP, slots numbered
// per day, session lengths tallied, hours turned into sessions). Each file
// holds the fields (name, dBase type letter, width) on its first line, then
// one line per record with the fields' texts joined by '|'.
//
// After a deliberate change of the export or of the example, rewrite the files
// with VINCULOR_UPDATE_GOLDEN=1 in the environment and review the diff.

#include "export/ExportRun.h"
#include "support/Golden.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <tuple>

namespace vinculor::exporting {
namespace {

const std::filesystem::path kExample = VINCULOR_SOURCE_DIR "/examples/centro-ejemplo.xml";
const std::filesystem::path kGoldenDir = VINCULOR_SOURCE_DIR "/tests/export/golden";

std::string tableText(const std::filesystem::path& dir, const std::string& name) {
    Table table(dir, name);
    table.open();
    std::string text;
    for (const FieldInfo& field : table.fields()) {
        text +=
            (text.empty() ? "" : "|") + field.name + " " + letterOf(field.type) + std::to_string(field.width);
    }
    table.discard();
    text += "\n";
    for (const std::string& row : testing::dumpRows(dir, name)) {
        text += row + "\n";
    }
    return text;
}

TEST(ExampleSchoolTest, ExportWritesTheExpectedTables) {
    testing::TempDir htemp;
    RunState state;
    state.horaviaDir = htemp.path();
    state.tables.bindAll(htemp.path());
    testing::ScriptedUi ui;
    ui.dialogAnswers = {kExample.string()};

    ASSERT_EQ(runExport(state, ui), RunOutcome::Completed);
    // 55-minute periods first met on Monday, then its 30-minute one, then Friday's 60-minute ones.
    EXPECT_EQ(std::tie(state.SessionLength1, state.SessionLength2, state.SessionLength3),
              std::make_tuple(55, 30, 60));
    for (const char* table : {"ASIGNOMT", "PROFT", "AULAT", "GRUPOST", "DIASHORAST", "COUNTSES", "ASIGT"}) {
        SCOPED_TRACE(table);
        testing::expectGolden(kGoldenDir / (std::string(table) + ".txt"), tableText(htemp.path(), table));
    }
}

} // namespace
} // namespace vinculor::exporting
