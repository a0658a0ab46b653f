// Every counted file operation of a run (creating, writing, closing,
// renaming and deleting files, creating directories) made to fail in turn.
// A run that fails must say so in Spanish, naming the file, and leave every
// file as it was; a run may only complete when the failed operation was
// cleanup after its result was already in place, and then the result is whole.
#include "ReliabilitySupport.h"
#include "SimuladorHoravia.h"
#include "base/Error.h"
#include "export/ExportRun.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "files/JournaledCommit.h"
#include "import/ImportRun.h"
#include "run/HoraviaRecovery.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"

#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using files::FaultInjection;
using testing::readText;
using testing::ScriptedUi;
using testing::snapshot;
using testing::TempDir;
using testing::writeText;

const std::regex kFileError(
    "No se puede ((crear|escribir|cerrar|renombrar|borrar) el (archivo|directorio)|crear la carpeta "
    "«.+» en el directorio) «.+»: error de entrada/salida\\.");

class FaultInjectionWalk : public ::testing::Test {
protected:
    void TearDown() override { FaultInjection::disarm(); }
};

struct Ending {
    bool completed = false;
    std::string error; // when it did not complete
};

// Runs with the k-th counted operation failing.
Ending runFailing(long k, const std::function<bool()>& run) {
    Ending ending;
    FaultInjection::failOperation(k);
    try {
        ending.completed = run();
    } catch (const Error& e) {
        ending.error = e.what();
    }
    const bool reached = FaultInjection::triggered();
    FaultInjection::disarm();
    EXPECT_TRUE(reached) << "la operación " << k << " no llegó a hacerse";
    return ending;
}

long countOperations(const std::function<bool()>& run) {
    FaultInjection::resetCount();
    EXPECT_TRUE(run());
    return FaultInjection::operations();
}

bool exportOnce(const fs::path& school, const fs::path& htemp) {
    RunState state;
    state.horaviaDir = htemp;
    state.tables.bindAll(htemp);
    ScriptedUi ui;
    ui.dialogAnswers = {school.string()};
    return exporting::runExport(state, ui) == RunOutcome::Completed;
}

TEST_F(FaultInjectionWalk, AnExportLeavesTheEarlierTablesOrTheWholeNewSet) {
    // Tables of an earlier export, the timetabling program's solution, a course
    // table and a file of the user's.
    TempDir work;
    TempDir earlier;
    writeText(work / "anterior.xml", testing::earlierSchool());
    testing::exportInto(work / "anterior.xml", earlier.path());
    simulador::simularHorario(earlier.path());
    testing::createTable(earlier.path(), "CURSOST", {{"ABREV", FieldType::Character, 10}}, {{"4ESO"}});
    writeText(earlier / "notas.txt", "no es de Vinculor");
    const auto earlierFiles = snapshot(earlier.path());

    const fs::path school = testing::exampleSchool();
    TempDir clean;
    testing::copyInto(earlier.path(), clean.path());
    const long operations = countOperations([&] { return exportOnce(school, clean.path()); });
    const auto newSet = testing::snapshotWithoutDates(clean.path());
    ASSERT_NE(newSet, testing::snapshotWithoutDates(earlier.path()));

    long failedCleanly = 0;
    std::vector<long> completed;
    long keptAside = 0;
    bool commitReached = false;
    std::string journal; // the last one removed
    FaultInjection::watch([&](std::string_view what, const fs::path& path) {
        if (what == "borrar" && path.filename() == files::JournaledCommit::kJournalName) {
            journal = readText(path);
        }
    });
    for (long k = 1; k <= operations; ++k) {
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        const Ending ending = runFailing(k, [&] { return exportOnce(school, htemp.path()); });
        if (ending.completed) {
            completed.push_back(k);
            std::vector<std::string> aside;
            for (const auto& [name, content] : snapshot(htemp.path())) {
                if (name.rfind(kAsideFolderPrefix, 0) == 0 && name.back() != '/') {
                    aside.push_back(name);
                    // Where the flush after the commit failed, the old tables wait aside, whole.
                    EXPECT_TRUE(content == earlierFiles.at(name.substr(name.find('/') + 1)))
                        << "operación " << k << ": " << name;
                } else if (name.rfind(kAsideFolderPrefix, 0) != 0) {
                    EXPECT_EQ(newSet.count(name), 1u) << "operación " << k << ": " << name;
                }
            }
            if (!aside.empty()) {
                ++keptAside;
                // Should a power cut bring the journal back (and take the
                // staging folder), the next run puts the old tables back.
                TempDir cut;
                testing::copyInto(htemp.path(), cut.path());
                writeText(cut / files::JournaledCommit::kJournalName, journal);
                recoverHoraviaDirectory(cut.path());
                EXPECT_EQ(testing::differences(earlierFiles, snapshot(cut.path())), "") << "operación " << k;
            }
            // Otherwise the next run removes them.
            recoverHoraviaDirectory(htemp.path());
            EXPECT_EQ(testing::differences(newSet, testing::snapshotWithoutDates(htemp.path())), "")
                << "operación " << k;
            continue;
        }
        ++failedCleanly;
        EXPECT_TRUE(std::regex_match(ending.error, kFileError)) << "operación " << k << ": " << ending.error;
        EXPECT_EQ(testing::differences(earlierFiles, snapshot(htemp.path())), "")
            << "operación " << k << ": " << ending.error;
        commitReached = commitReached || ending.error.find("«" + files::toUtf8(htemp / "ASIGNOMT.DBF") +
                                                           "»") != std::string::npos;
    }
    FaultInjection::watch(nullptr);
    EXPECT_TRUE(commitReached) << "ningún fallo alcanzó el cambio de las tablas antiguas por las nuevas";
    EXPECT_EQ(keptAside, 1); // the flush after the commit
    EXPECT_EQ(failedCleanly + static_cast<long>(completed.size()), operations);
    std::cout << "Exportar: " << operations << " operaciones; " << failedCleanly
              << " fallan con un error y dejan el directorio como estaba; " << completed.size()
              << " terminan con el juego nuevo completo\n";
}

// The one flush that may not fail quietly: the journal's, before any table
// moves. Where it fails, the run ends and no table has moved.
TEST_F(FaultInjectionWalk, AnExportWhoseJournalIsNotFlushedMovesNoTable) {
    TempDir work;
    TempDir earlier;
    writeText(work / "anterior.xml", testing::earlierSchool());
    testing::exportInto(work / "anterior.xml", earlier.path());
    const auto earlierFiles = snapshot(earlier.path());

    long journalFlush = 0;
    {
        TempDir htemp;
        testing::copyInto(earlier.path(), htemp.path());
        bool journalPlaced = false;
        FaultInjection::resetCount();
        FaultInjection::watch([&](std::string_view what, const fs::path& path) {
            if (what == "renombrar" && files::isTemporaryName(files::toUtf8(path.filename()),
                                                              files::JournaledCommit::kJournalName)) {
                journalPlaced = true;
            } else if (journalPlaced && journalFlush == 0 && what == "escribir" && path == htemp.path()) {
                journalFlush = FaultInjection::operations() + 1;
            }
        });
        const bool completed = exportOnce(testing::exampleSchool(), htemp.path());
        FaultInjection::watch(nullptr);
        ASSERT_TRUE(completed);
        ASSERT_GT(journalFlush, 0);
    }
    TempDir htemp;
    testing::copyInto(earlier.path(), htemp.path());
    const Ending ending =
        runFailing(journalFlush, [&] { return exportOnce(testing::exampleSchool(), htemp.path()); });
    EXPECT_FALSE(ending.completed);
    EXPECT_TRUE(std::regex_match(ending.error, kFileError)) << ending.error;
    EXPECT_EQ(testing::differences(earlierFiles, snapshot(htemp.path())), "");
}

TEST_F(FaultInjectionWalk, AnImportWritesNoDocumentOrLeavesTheEarlierOne) {
    TempDir work;
    TempDir htemp;
    testing::exportInto(testing::exampleSchool(), htemp.path());
    simulador::simularHorario(htemp.path());
    const fs::path school = work / "centro.xml";
    fs::copy_file(testing::exampleSchool(), school);
    const fs::path output = work / "ResultadoHoraviacentro.xml";
    const fs::path timetable = work / "HorarioHoraviacentro.html";
    std::string timetableError;
    const auto importOnce = [&] {
        RunState state;
        state.horaviaDir = htemp.path();
        state.tables.bindAll(htemp.path());
        ScriptedUi ui;
        ui.dialogAnswers = {school.string()};
        const bool completed = importing::runImport(state, ui) == RunOutcome::Completed;
        timetableError = state.summary.timetableError;
        return completed;
    };
    const long operations = countOperations(importOnce);
    // Told apart from this run's result, which may carry the same date.
    const std::string earlierOutput = readText(output) + "<!-- importación anterior -->\n";
    const auto tables = snapshot(htemp.path());

    long timetableOperations = 0;
    long flushesAfterCommit = 0;
    for (const bool withEarlierOutput : {false, true}) {
        bool resultInPlace = false;
        for (long k = 1; k <= operations; ++k) {
            if (withEarlierOutput) {
                writeText(output, earlierOutput);
            } else {
                fs::remove(output);
            }
            fs::remove(timetable);
            const auto before = snapshot(work.path());
            const Ending ending = runFailing(k, importOnce);
            EXPECT_EQ(testing::differences(tables, snapshot(htemp.path())), "") << "operación " << k;
            const std::string resultChange = withEarlierOutput ? "cambiado ResultadoHoraviacentro.xml\n"
                                                               : "nuevo ResultadoHoraviacentro.xml\n";
            if (ending.completed && timetableError.empty()) {
                // The flush of the folder once a document is in place: the
                // change is whole, and is not undone (the first is the
                // Horavia directory's, before the run changes anything).
                ++flushesAfterCommit;
                EXPECT_EQ(testing::differences(before, snapshot(work.path())),
                          withEarlierOutput ? resultChange + "nuevo HorarioHoraviacentro.html\n"
                                            : "nuevo HorarioHoraviacentro.html\n" + resultChange)
                    << "operación " << k;
                continue;
            }
            if (ending.completed) {
                // The timetable document's operations come once the result is
                // in place: the run completes without the document and says why.
                resultInPlace = true;
                timetableOperations += withEarlierOutput ? 0 : 1;
                EXPECT_TRUE(std::regex_match(timetableError, kFileError))
                    << "operación " << k << ": " << timetableError;
                EXPECT_FALSE(fs::exists(timetable)) << "operación " << k;
                EXPECT_EQ(testing::differences(before, snapshot(work.path())), resultChange)
                    << "operación " << k;
                continue;
            }
            EXPECT_FALSE(resultInPlace) << "operación " << k << ": falla tras una anterior que completó";
            // Every other operation is the result's save.
            EXPECT_TRUE(std::regex_match(ending.error, kFileError))
                << "operación " << k << ": " << ending.error;
            EXPECT_EQ(testing::differences(before, snapshot(work.path())), "")
                << "operación " << k << ": " << ending.error;
        }
    }
    EXPECT_GE(timetableOperations, 3); // create, write, rename
    EXPECT_EQ(flushesAfterCommit, 6);  // the Horavia directory, and the folder after each document; twice
    std::cout << "Importar: " << operations << " operaciones, con y sin documento anterior; las "
              << operations - timetableOperations
              << " del resultado fallan con un error y dejan los archivos como estaban; las "
              << timetableOperations << " del horario dejan el resultado y ningún horario\n";
}

TEST_F(FaultInjectionWalk, AFailedSettingsWriteKeepsTheOldFileOrLeavesNone) {
    TempDir dir;
    const fs::path file = dir / "Horavia.ini";
    const std::string old =
        "; Horavia\r\n[Horavia]\r\nRuta=C:\\HTEMP\r\n[Transformadores]\r\nTransformado=1\r\n";
    for (const std::optional<std::string>& content :
         {std::optional<std::string>(old), std::optional<std::string>()}) {
        const auto reset = [&] {
            fs::remove(file);
            if (content) {
                writeText(file, *content);
            }
        };
        reset();
        const long operations = countOperations([&] {
            ini::writeValue(file, "Transformadores", "Transformado", "-1");
            return true;
        });
        long flushesAfterCommit = 0;
        for (long k = 1; k <= operations; ++k) {
            reset();
            const auto before = snapshot(dir.path());
            const Ending ending = runFailing(k, [&] {
                ini::writeValue(file, "Transformadores", "Transformado", "-1");
                return true;
            });
            if (ending.completed) {
                // The flush of the folder once the new file is in place.
                ++flushesAfterCommit;
                EXPECT_EQ(ini::findValue(readText(file), "Transformadores", "Transformado"), "-1");
                continue;
            }
            EXPECT_EQ(ending.error, "Unable to write to " + files::toUtf8(file)) << "operación " << k;
            EXPECT_EQ(testing::differences(before, snapshot(dir.path())), "") << "operación " << k;
        }
        EXPECT_EQ(flushesAfterCommit, 1);
    }
}

} // namespace
} // namespace vinculor
