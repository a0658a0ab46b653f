#include "export/HoraviaStaging.h"

#include "base/Error.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vinculor::exporting {
namespace {

namespace fs = std::filesystem;
using testing::snapshot;
using testing::TempDir;
using testing::writeText;

// New tables that cannot all be found where they were written are never put
// in place: the old ones stay, and nothing is put aside.
TEST(HoraviaStagingTest, ACommitThatCannotFindEveryNewTableChangesNothing) {
    struct Case {
        const char* name;
        void (*spoil)(const fs::path& staging);
        const char* message;
    };
    const Case cases[] = {
        {"a new table missing",
         [](const fs::path& staging) {
             fs::remove(staging / "PROFT.DBF");
             fs::remove(staging / "PROFT.MDX");
         },
         "No se encuentra la tabla nueva PROFT en «"},
        {"its index alone", [](const fs::path& staging) { fs::remove(staging / "PROFT.DBF"); },
         "no se ha cambiado ninguna tabla del directorio de Horavia"},
        {"the folder unreadable", [](const fs::path& staging) { fs::remove_all(staging); },
         "No se puede leer el directorio «"},
    };
    for (const Case& c : cases) {
        TempDir htemp;
        writeText(htemp / "PROFT.DBF", "old teachers");
        writeText(htemp / "AULAT.DBF", "old rooms");
        const auto before = snapshot(htemp.path());
        {
            HoraviaStaging staging(htemp.path());
            writeText(staging.path() / "PROFT.DBF", "new teachers");
            writeText(staging.path() / "PROFT.MDX", "new index");
            writeText(staging.path() / "AULAT.DBF", "new rooms");
            c.spoil(staging.path());
            try {
                staging.commit({"PROFT", "AULAT"}, {});
                ADD_FAILURE() << c.name;
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                    << c.name << ": " << e.what();
            }
        }
        EXPECT_EQ(snapshot(htemp.path()), before) << c.name;
    }
}

TEST(HoraviaStagingTest, ACommitPutsEveryNewTableInPlaceWhateverItsLetterCase) {
    TempDir htemp;
    writeText(htemp / "proft.dbf", "old teachers");
    writeText(htemp / "ASIGT.MDX", "an index no longer written");
    {
        HoraviaStaging staging(htemp.path());
        writeText(staging.path() / "PROFT.DBF", "new teachers");
        writeText(staging.path() / "AULAT.DBF", "new rooms");
        staging.commit({"PROFT", "AULAT"}, {"ASIGT"});
    }
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(htemp.path())) {
        if (!e.path().filename().string().starts_with(".")) { // the old tables wait aside for a while
            names.push_back(e.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"AULAT.DBF", "PROFT.DBF"}));
    EXPECT_EQ(testing::readText(htemp / "PROFT.DBF"), "new teachers");
}

} // namespace
} // namespace vinculor::exporting
