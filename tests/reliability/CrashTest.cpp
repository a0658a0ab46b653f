// Crash tests in the manner of a database's: vinculor-cli runs as a child
// process that the file layer kills (SIGKILL, nothing flushed or unwound) just
// before its k-th operation on the disk, for every k of an export and of an
// import. The next run must find the Horavia directory holding exactly the
// old tables or the new ones, with nothing of ours left over.
#ifdef __linux__

#include "ReliabilitySupport.h"
#include "SimuladorHoravia.h"
#include "files/JournaledCommit.h"
#include "run/HoraviaRecovery.h"
#include "support/TableDump.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::snapshot;
using testing::snapshotWithoutDates;
using testing::TempDir;
using testing::writeText;

struct ChildEnd {
    bool killed = false;
    int status = -1; // the exit status when not killed
    std::string output;
};

// vinculor-cli with these arguments, killed before its `crashAt`-th operation
// on the disk (never when 0).
ChildEnd runCli(const std::vector<std::string>& args, long crashAt, const fs::path& scratch) {
    std::vector<std::string> argStrings = {VINCULOR_CLI_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string_view(*e).rfind("VINCULOR_CRASH_AT_OPERATION=", 0) != 0) {
            envStrings.emplace_back(*e);
        }
    }
    if (crashAt > 0) {
        envStrings.push_back("VINCULOR_CRASH_AT_OPERATION=" + std::to_string(crashAt));
    }
    std::vector<char*> envp;
    for (std::string& e : envStrings) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    const fs::path log = scratch / "salida.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0) << VINCULOR_CLI_PATH;
    ChildEnd end;
    if (spawned != 0) {
        return end;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    end.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    end.output = readText(log);
    fs::remove(log);
    return end;
}

// Entries that only this program's runs make while they work.
std::string leftovers(const fs::path& dir) {
    std::string found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (isLeftoverName(name) || name == files::JournaledCommit::kJournalName) {
            found += name + "\n";
        }
    }
    return found;
}

// Whether an old file already waits in a set-aside folder.
bool someSetAside(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind(kAsideFolderPrefix, 0) == 0 &&
            !fs::is_empty(entry.path())) {
            return true;
        }
    }
    return false;
}

class CrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The tables of an earlier export, the timetabling program's solution,
        // a course table the export removes and a file of the user's.
        writeText(work / "anterior.xml", testing::earlierSchool());
        testing::exportInto(work / "anterior.xml", earlier.path());
        simulador::simularHorario(earlier.path());
        testing::createTable(earlier.path(), "CURSOST", {{"ABREV", FieldType::Character, 10}}, {{"4ESO"}});
        writeText(earlier / "notas.txt", "no es de Vinculor");
        oldSet = snapshotWithoutDates(earlier.path());

        fs::copy_file(testing::exampleSchool(), school);
        TempDir clean;
        testing::copyInto(earlier.path(), clean.path());
        const ChildEnd end =
            runCli({"exportar", school.string(), "--htemp", clean.path().string()}, 0, work.path());
        ASSERT_EQ(end.status, 0) << end.output;
        newSet = snapshotWithoutDates(clean.path());
        ASSERT_NE(oldSet, newSet);
    }

    // Old or new, byte for byte apart from header dates, and nothing else.
    void expectOldOrNew(const fs::path& htemp, const std::string& where) {
        const auto now = snapshotWithoutDates(htemp);
        EXPECT_TRUE(now == oldSet || now == newSet)
            << where << "\nfrente al juego anterior:\n"
            << testing::differences(oldSet, now) << "frente al nuevo:\n"
            << testing::differences(newSet, now);
        EXPECT_EQ(leftovers(htemp), "") << where;
    }

    ChildEnd importInto(const fs::path& htemp, long crashAt = 0) {
        return runCli({"importar", school.string(), "--htemp", htemp.string()}, crashAt, work.path());
    }

    TempDir work;
    TempDir earlier;
    fs::path school = work / "centro.xml";
    std::map<std::string, std::string> oldSet;
    std::map<std::string, std::string> newSet;
};

TEST_F(CrashTest, AnExportKilledAtAnyOperationLeavesTheOldOrTheNewTablesForTheNextRun) {
    long crashes = 0;
    long sawNew = 0;
    std::optional<TempDir> midCommit; // a directory killed with its commit half done
    for (long k = 1;; ++k) {
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        const ChildEnd end =
            runCli({"exportar", school.string(), "--htemp", htemp.path().string()}, k, work.path());
        if (!end.killed) {
            // Past the last operation: the run completed.
            EXPECT_EQ(end.status, 0) << end.output;
            EXPECT_EQ(testing::differences(newSet, snapshotWithoutDates(htemp.path())), "");
            EXPECT_EQ(leftovers(htemp.path()), "");
            break;
        }
        ++crashes;
        if (fs::exists(htemp / files::JournaledCommit::kJournalName) && someSetAside(htemp.path())) {
            midCommit.emplace();
            testing::copyInto(htemp.path(), midCommit->path());
        }
        // The next run, an import, recovers first and leaves the tables alone.
        const ChildEnd next = importInto(htemp.path());
        EXPECT_EQ(next.status, 0) << "operación " << k << ":\n" << next.output;
        expectOldOrNew(htemp.path(), "muerto antes de la operación " + std::to_string(k));
        sawNew += snapshotWithoutDates(htemp.path()) == newSet ? 1 : 0;
    }
    EXPECT_GT(crashes, 20);
    EXPECT_GT(sawNew, 0) << "ningún corte cayó después del punto de confirmación";
    ASSERT_TRUE(midCommit.has_value()) << "ningún corte cayó a mitad del cambio de las tablas";

    // The recovery itself killed at each of its operations, then run again.
    long recoveryCrashes = 0;
    for (long k = 1;; ++k) {
        TempDir htemp;
        testing::copyInto(midCommit->path(), htemp.path());
        const ChildEnd end = importInto(htemp.path(), k);
        if (!end.killed) {
            EXPECT_EQ(end.status, 0) << end.output;
            EXPECT_NE(end.output.find("Una exportación interrumpida dejó a medias el cambio de las tablas"),
                      std::string::npos)
                << end.output;
            EXPECT_EQ(testing::differences(oldSet, snapshotWithoutDates(htemp.path())), "");
            break;
        }
        ++recoveryCrashes;
        const ChildEnd next = importInto(htemp.path());
        EXPECT_EQ(next.status, 0) << next.output;
        EXPECT_EQ(testing::differences(oldSet, snapshotWithoutDates(htemp.path())), "")
            << "recuperación muerta antes de la operación " << k;
        EXPECT_EQ(leftovers(htemp.path()), "");
    }
    EXPECT_GT(recoveryCrashes, 2);
    std::cout << "Exportar: " << crashes << " cortes, " << sawNew << " con el juego nuevo ya confirmado; "
              << "recuperación: " << recoveryCrashes << " cortes\n";
}

// The output document without the run's date, which differs between runs.
std::string withoutDate(const std::string& document) {
    static const std::regex date("FechaExportacion=\"[^\"]*\"");
    return std::regex_replace(document, date, "FechaExportacion=\"\"");
}

TEST_F(CrashTest, AnImportKilledAtAnyOperationLeavesTheEarlierDocumentOrTheWholeNewOne) {
    TempDir htemp;
    testing::copyInto(earlier.path(), htemp.path());
    const fs::path output = work / "ResultadoHoraviacentro.xml";
    ASSERT_EQ(importInto(htemp.path()).status, 0);
    const std::string newDocument = withoutDate(readText(output));
    const std::string earlierDocument = "<?xml version=\"1.0\"?>\n<Centro Codigo=\"anterior\"/>\n";
    const auto tables = snapshot(htemp.path());

    long crashes = 0;
    for (long k = 1;; ++k) {
        writeText(output, earlierDocument);
        const ChildEnd end = importInto(htemp.path(), k);
        if (!end.killed) {
            EXPECT_EQ(end.status, 0) << end.output;
            EXPECT_EQ(withoutDate(readText(output)), newDocument);
            break;
        }
        ++crashes;
        const std::string left = readText(output);
        EXPECT_TRUE(left == earlierDocument || withoutDate(left) == newDocument) << "operación " << k;

        const ChildEnd next = importInto(htemp.path());
        EXPECT_EQ(next.status, 0) << next.output;
        EXPECT_EQ(withoutDate(readText(output)), newDocument);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        // The result and its timetable document, and no temporary file of either.
        EXPECT_EQ(names, (std::vector<std::string>{"HorarioHoraviacentro.html", "ResultadoHoraviacentro.xml",
                                                   "anterior.xml", "centro.xml"}))
            << "operación " << k;
        EXPECT_EQ(testing::differences(tables, snapshot(htemp.path())), "") << "operación " << k;
    }
    EXPECT_GT(crashes, 1);
    std::cout << "Importar: " << crashes << " cortes\n";
}

} // namespace
} // namespace vinculor

#endif // __linux__
