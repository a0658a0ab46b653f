// What the next run finds and puts right: a commit whose undo failed, the
// leftovers of killed runs; and temporary names that someone else took first.
#include "ReliabilitySupport.h"
#include "SimuladorHoravia.h"
#include "base/Error.h"
#include "export/ExportRun.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "files/JournaledCommit.h"
#include "import/ImportRun.h"
#include "import/TimetableStep.h"
#include "run/HoraviaRecovery.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <regex>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using files::FaultInjection;
using testing::readText;
using testing::ScriptedUi;
using testing::snapshot;
using testing::snapshotWithoutDates;
using testing::TempDir;
using testing::writeText;

struct Ending {
    bool completed = false;
    std::string error;
    RunSummary summary;
};

Ending runOnce(bool exporting, const fs::path& school, const fs::path& htemp) {
    RunState state;
    state.horaviaDir = htemp;
    state.tables.bindAll(htemp);
    ScriptedUi ui;
    ui.dialogAnswers = {school.string()};
    Ending ending;
    try {
        ending.completed = (exporting ? exporting::runExport(state, ui) : importing::runImport(state, ui)) ==
                           RunOutcome::Completed;
    } catch (const Error& e) {
        ending.error = e.what();
    }
    ending.summary = state.summary;
    return ending;
}

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeText(work / "anterior.xml", testing::earlierSchool());
        testing::exportInto(work / "anterior.xml", earlier.path());
        simulador::simularHorario(earlier.path());
        fs::copy_file(testing::exampleSchool(), school);
    }
    void TearDown() override { FaultInjection::disarm(); }

    TempDir work;
    TempDir earlier;
    fs::path school = work / "centro.xml";
};

TEST_F(RecoveryTest, AnUndoThatFailsDeletesNothingAndTheNextRunPutsTheOldTablesBack) {
    const auto oldFiles = snapshot(earlier.path());
    TempDir clean;
    testing::copyInto(earlier.path(), clean.path());
    ASSERT_TRUE(runOnce(true, school, clean.path()).completed);
    const auto newSet = snapshotWithoutDates(clean.path());
    long undoFailures = 0;
    long completedAfterCommit = 0;
    std::optional<TempDir> lastFailedUndo; // with every new table already in place
    for (long k = 1;; ++k) {
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        // Every operation from the k-th on fails, as on a share that went away.
        FaultInjection::failFrom(k);
        const Ending failed = runOnce(true, school, htemp.path());
        const bool reached = FaultInjection::triggered();
        FaultInjection::disarm();
        if (!reached) {
            EXPECT_TRUE(failed.completed) << failed.error;
            break;
        }
        if (failed.completed) {
            // Only the flush after the commit point, which undoes nothing: the
            // new tables are in place, and the next run removes the old ones.
            EXPECT_FALSE(fs::exists(htemp / files::JournaledCommit::kJournalName)) << "operación " << k;
            recoverHoraviaDirectory(htemp.path());
            EXPECT_EQ(testing::differences(newSet, snapshotWithoutDates(htemp.path())), "")
                << "operación " << k;
            ++completedAfterCommit;
            continue;
        }
        const std::size_t kept = failed.error.find("se guardan en «");
        if (kept == std::string::npos) {
            continue; // failed before any table moved, or undone
        }
        ++undoFailures;
        // The message says where the old tables are, and they are there, whole.
        const std::size_t from = kept + std::string("se guardan en «").size();
        const fs::path aside = failed.error.substr(from, failed.error.find("»", from) - from);
        ASSERT_TRUE(fs::is_directory(aside)) << failed.error;
        for (const auto& entry : fs::directory_iterator(aside)) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(readText(entry.path()), oldFiles.at(name)) << name;
        }

        lastFailedUndo.emplace();
        testing::copyInto(htemp.path(), lastFailedUndo->path());

        const Ending next = runOnce(false, school, htemp.path());
        ASSERT_TRUE(next.completed) << next.error;
        ASSERT_FALSE(next.summary.recovered.empty());
        EXPECT_NE(next.summary.recovered.front().find("vuelven a su sitio"), std::string::npos)
            << next.summary.recovered.front();
        EXPECT_EQ(testing::differences(oldFiles, snapshot(htemp.path())), "") << "operación " << k;
    }
    EXPECT_GT(undoFailures, 5);
    EXPECT_EQ(completedAfterCommit, 1);
    ASSERT_TRUE(lastFailedUndo.has_value());

    // Writing the timetable's document again puts the old tables back first,
    // and reads them, not half of each set.
    {
        TempDir htemp;
        testing::copyInto(lastFailedUndo->path(), htemp.path());
        RunSummary summary;
        ASSERT_EQ(importing::runTimetable(school, htemp.path(), summary), RunOutcome::Completed);
        ASSERT_FALSE(summary.recovered.empty());
        EXPECT_EQ(testing::differences(oldFiles, snapshot(htemp.path())), "");
    }

    // The recovery itself failing once, at each of its operations: a later
    // run still brings every old table back.
    for (long k = 1;; ++k) {
        TempDir htemp;
        testing::copyInto(lastFailedUndo->path(), htemp.path());
        FaultInjection::failOperation(k);
        const Ending failed = runOnce(false, school, htemp.path());
        const bool reached = FaultInjection::triggered();
        FaultInjection::disarm();
        const Ending next = runOnce(false, school, htemp.path());
        EXPECT_TRUE(next.completed) << next.error;
        EXPECT_EQ(testing::differences(oldFiles, snapshot(htemp.path())), "")
            << "recuperación, operación " << k;
        if (!reached) {
            break;
        }
    }
}

TEST_F(RecoveryTest, AnUndoWhoseFlushFailsKeepsItsJournalForTheNextRun) {
    const auto oldFiles = snapshot(earlier.path());
    // The first table moved aside: the commit's first change of the tables.
    long firstMove = 0;
    {
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        FaultInjection::resetCount();
        FaultInjection::watch([&](std::string_view what, const fs::path& path) {
            if (firstMove == 0 && what == "renombrar" && path == htemp / "ASIGNOMT.DBF") {
                firstMove = FaultInjection::operations() + 1;
            }
        });
        const Ending clean = runOnce(true, school, htemp.path());
        FaultInjection::watch(nullptr);
        ASSERT_TRUE(clean.completed) << clean.error;
        ASSERT_GT(firstMove, 0);
    }

    // That move fails; the undo puts everything back, but the flush of the
    // directory after it fails too.
    TempDir htemp;
    testing::copyInto(earlier.path(), htemp.path());
    FaultInjection::failOperation(firstMove);
    FaultInjection::watch([&](std::string_view what, const fs::path& path) {
        if (FaultInjection::triggered() && what == "escribir" && path == htemp.path()) {
            throw Error("el disco no confirma el cambio");
        }
    });
    const Ending failed = runOnce(true, school, htemp.path());
    FaultInjection::watch(nullptr);
    FaultInjection::disarm();
    ASSERT_FALSE(failed.completed);
    EXPECT_TRUE(std::regex_search(failed.error, std::regex("^No se puede renombrar"))) << failed.error;
    // The old tables are back, and the journal stays until that is surely on the disk.
    EXPECT_TRUE(fs::exists(htemp / files::JournaledCommit::kJournalName));
    for (const auto& [name, content] : oldFiles) {
        EXPECT_EQ(readText(htemp / name), content) << name;
    }

    const Ending next = runOnce(false, school, htemp.path());
    ASSERT_TRUE(next.completed) << next.error;
    ASSERT_FALSE(next.summary.recovered.empty());
    EXPECT_FALSE(fs::exists(htemp / files::JournaledCommit::kJournalName));
    for (const auto& entry : fs::directory_iterator(htemp.path())) {
        EXPECT_FALSE(isLeftoverName(entry.path().filename().string())) << entry.path();
    }
}

// What a power cut may leave where the file system kept a run's later
// removals but lost its removal of the journal: the journal is back, and
// only the files in the set-aside folder say what was done. Recovery must
// end with the old files, and never take an old file for a new one.
TEST(RecoveryStates, AJournalThatCameBackPutsTheOldFilesBackAndTakesNoOldFileForNew) {
    const std::string staging = ".vinculor-exportando-0123456789abcdef";
    const std::string aside = ".vinculor-anterior-0123456789abcdef";
    const std::string journal = "vinculor-diario 1\npreparado\t" + staging + "\napartado\t" + aside +
                                "\nantiguo\tASIGT.DBF\nantiguo\tPROFT.DBF\nnuevo\tasigt.dbf\tASIGT.DBF\n"
                                "nuevo\tPROFT.DBF\tPROFT.DBF\nnuevo\tCOUNTSES.MDX\tCOUNTSES.MDX\nfin\n";
    using Files = std::map<std::string, std::string>;
    const Files oldSet = {{"ASIGT.DBF", "ASIGT antigua"}, {"PROFT.DBF", "PROFT antigua"}};
    const Files newSet = {
        {"ASIGT.DBF", "ASIGT nueva"}, {"PROFT.DBF", "PROFT nueva"}, {"COUNTSES.MDX", "nuevo"}};
    struct Case {
        const char* what;
        Files placed;
        std::optional<Files> setAside, staged; // none: the folder is gone
    };
    const Case cases[] = {
        {"deshecho, sin carpetas", oldSet, std::nullopt, std::nullopt},
        {"deshecho, carpetas vacías", oldSet, Files{}, Files{}},
        {"deshecho, la preparada a medio borrar", oldSet, std::nullopt, Files{{"PROFT.DBF", "PROFT nueva"}}},
        {"hecho, sin la carpeta preparada", newSet, oldSet, std::nullopt},
        {"a medio cambiar",
         {{"ASIGT.DBF", "ASIGT nueva"}, {"PROFT.DBF", "PROFT antigua"}},
         Files{{"ASIGT.DBF", "ASIGT antigua"}},
         Files{{"PROFT.DBF", "PROFT nueva"}, {"COUNTSES.MDX", "nuevo"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir htemp;
        for (const auto& [name, content] : c.placed) {
            writeText(htemp / name, content);
        }
        const auto fill = [&](const std::string& folder, const std::optional<Files>& files) {
            if (files) {
                fs::create_directory(htemp / folder);
                for (const auto& [name, content] : *files) {
                    writeText(htemp / folder /
                                  (name == "ASIGT.DBF" && folder == staging ? "asigt.dbf" : name),
                              content);
                }
            }
        };
        fill(aside, c.setAside);
        fill(staging, c.staged);
        writeText(htemp / files::JournaledCommit::kJournalName, journal);

        const std::vector<std::string> done = recoverHoraviaDirectory(htemp.path());
        EXPECT_FALSE(done.empty());
        EXPECT_EQ(snapshot(htemp.path()), oldSet);
    }
}

TEST_F(RecoveryTest, TheLeftoversOfKilledRunsGoAndNothingElse) {
    TempDir htemp;
    testing::copyInto(earlier.path(), htemp.path());
    const auto before = snapshot(htemp.path());
    // Ours, as killed runs leave them.
    const char* const ours[] = {".vinculor-exportando-0123456789abcdef",
                                ".vinculor-anterior-fedcba9876543210"};
    for (const char* folder : ours) {
        fs::create_directory(htemp / folder);
        writeText(htemp / folder / "ASIGNOMT.DBF", "a medias");
    }
    writeText(htemp / ".SOLUC.DBF.vinculor-00112233445566ff.tmp", "a medias");
    // The user's, however alike.
    const char* const theirs[] = {".vinculor-exportando-copia", ".vinculor-anterior", "ASIGNOMT.DBF.tmp",
                                  ".SOLUC.DBF.vinculor-0011.tmp", "vinculor-exportando-0123456789abcdef"};
    for (const char* name : theirs) {
        writeText(htemp / name, "del usuario");
    }

    const Ending ending = runOnce(false, school, htemp.path());
    ASSERT_TRUE(ending.completed) << ending.error;
    ASSERT_EQ(ending.summary.recovered.size(), 1u);
    for (const char* folder : ours) {
        EXPECT_FALSE(fs::exists(htemp / folder)) << folder;
        EXPECT_NE(ending.summary.recovered.front().find(folder), std::string::npos);
    }
    auto expected = before;
    for (const char* name : theirs) {
        expected[name] = "del usuario";
    }
    EXPECT_EQ(testing::differences(expected, snapshot(htemp.path())), "");
    EXPECT_NE(ending.summary.toText().find("Recuperación de ejecuciones interrumpidas (1):"),
              std::string::npos);
}

TEST_F(RecoveryTest, ADamagedJournalStopsTheRunAndNamesIt) {
    TempDir htemp;
    testing::copyInto(earlier.path(), htemp.path());
    writeText(htemp / files::JournaledCommit::kJournalName, "vinculor-diario 1\napartado\t");
    // What may be the only copy of the old tables: the advice keeps it safe.
    fs::create_directory(htemp / ".vinculor-anterior-0123456789abcdef");
    writeText(htemp / ".vinculor-anterior-0123456789abcdef" / "PROFT.DBF", "old");
    const auto before = snapshot(htemp.path());
    const Ending ending = runOnce(true, school, htemp.path());
    EXPECT_FALSE(ending.completed);
    EXPECT_NE(ending.error.find("«" + (htemp / files::JournaledCommit::kJournalName).string() + "»"),
              std::string::npos)
        << ending.error;
    EXPECT_NE(ending.error.find("pueden estar en las carpetas «.vinculor-anterior-0123456789abcdef» de «" +
                                htemp.path().string() +
                                "»: cópielas antes a otro lugar. Después borre el diario"),
              std::string::npos)
        << ending.error;
    EXPECT_EQ(testing::differences(before, snapshot(htemp.path())), "");
}

#ifndef _WIN32 // symbolic links need a privilege on Windows, where CREATE_NEW refuses them all the same
// A symbolic link planted at each name the file layer picks for a temporary
// file or folder, pointing at a file the run must never write.
class PlantedLinks : public RecoveryTest {
protected:
    void plantAt(bool everyAttempt) {
        FaultInjection::onTemporaryName([this, everyAttempt](const fs::path& name) {
            if (everyAttempt || planted++ % 2 == 0) {
                fs::create_symlink(victim, name);
                links.push_back(name);
            }
        });
    }
    fs::path victim = work / "victima.txt";
    std::vector<fs::path> links;
    long planted = 0;
};

TEST_F(PlantedLinks, AreNeverFollowedAndAnotherNameIsTaken) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& htemp)> run;
    };
    const Case cases[] = {
        {"exportar", [&](const fs::path& htemp) { EXPECT_EQ(runOnce(true, school, htemp).error, ""); }},
        {"importar", [&](const fs::path& htemp) { EXPECT_EQ(runOnce(false, school, htemp).error, ""); }},
        {"Horavia.ini",
         [&](const fs::path& htemp) {
             ini::writeValue(htemp / "Horavia.ini", "Transformadores", "Transformado", "1");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        writeText(victim, "intacto");
        links.clear();
        plantAt(false);
        c.run(htemp.path());
        FaultInjection::disarm();
        EXPECT_FALSE(links.empty());
        EXPECT_EQ(readText(victim), "intacto");
        for (const fs::path& link : links) {
            if (fs::is_symlink(fs::symlink_status(link))) {
                EXPECT_EQ(fs::read_symlink(link), victim);
            }
        }
    }
}

TEST_F(PlantedLinks, AtEveryNameStopTheRunWithASpanishErrorAndTouchNothing) {
    for (const bool exporting : {true, false}) {
        SCOPED_TRACE(exporting ? "exportar" : "importar");
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        writeText(victim, "intacto");
        const auto before = snapshot(htemp.path());
        plantAt(true);
        const Ending ending = runOnce(exporting, school, htemp.path());
        FaultInjection::disarm();
        EXPECT_FALSE(ending.completed);
        EXPECT_NE(ending.error.find("No se puede crear "), std::string::npos) << ending.error;
        EXPECT_NE(ending.error.find("ya existe"), std::string::npos) << ending.error;
        EXPECT_EQ(readText(victim), "intacto");
        for (const fs::path& link : links) {
            fs::remove(link);
        }
        links.clear();
        EXPECT_EQ(testing::differences(before, snapshot(htemp.path())), "");
    }
}
#endif

} // namespace
} // namespace vinculor
