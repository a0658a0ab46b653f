// Two exports started at once on one Horavia directory: one completes, the
// other stops with the directory lock's error, and the directory holds the
// whole set of tables of one run, never a mixture.
#include "ReliabilitySupport.h"
#include "base/Error.h"
#include "export/ExportRun.h"
#include "files/FileSystem.h"
#include "support/ScriptedUi.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace vinculor {
namespace {

// Lets the threads go only once all of them have arrived, so that their runs
// start together. (A mutex and a condition variable: std::barrier of MinGW's
// library has been seen to hang.)
class StartGate {
public:
    explicit StartGate(int parties) : waiting_(parties) {}
    void arriveAndWait() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (--waiting_ == 0) {
            allHere_.notify_all();
            return;
        }
        allHere_.wait(lock, [this] { return waiting_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable allHere_;
    int waiting_;
};

namespace fs = std::filesystem;
using testing::TempDir;

TEST(ConcurrentExports, OneCompletesTheOtherStopsAndTheTablesAreOneRunsSet) {
    // The example school and a variant of it with every code changed: the two
    // give tables of the same size that differ, so that a mixture would show.
    TempDir work;
    const std::string example = testing::readText(testing::exampleSchool());
    std::string variant = example;
    for (std::size_t at = variant.find("Codigo=\""); at != std::string::npos;
         at = variant.find("Codigo=\"", at)) {
        at += 8;
        variant.insert(at, "V");
    }
    testing::writeText(work / "variante.xml", variant);
    const fs::path schools[2] = {testing::exampleSchool(), work / "variante.xml"};
    std::map<std::string, std::string> alone[2];
    for (int i = 0; i < 2; ++i) {
        TempDir dir;
        testing::exportInto(schools[i], dir.path());
        alone[i] = testing::snapshotWithoutDates(dir.path());
    }
    ASSERT_NE(alone[0], alone[1]);

    // Two runs rarely fail to overlap; a few attempts make sure that one did.
    int overlapped = 0;
    for (int attempt = 0; attempt < 10 && overlapped == 0; ++attempt) {
        TempDir htemp;
        StartGate start(2);
        bool completed[2] = {false, false};
        std::string errors[2];
        const auto exportSchool = [&](int i) {
            RunState state;
            state.horaviaDir = htemp.path();
            state.tables.bindAll(htemp.path());
            testing::ScriptedUi ui;
            ui.dialogAnswers = {schools[i].string()};
            start.arriveAndWait();
            try {
                completed[i] = exporting::runExport(state, ui) == RunOutcome::Completed;
            } catch (const Error& e) {
                errors[i] = e.what();
            }
        };
        std::thread first(exportSchool, 0);
        std::thread second(exportSchool, 1);
        first.join();
        second.join();

        ASSERT_TRUE(completed[0] || completed[1]) << errors[0] << "\n" << errors[1];
        const auto tables = testing::snapshotWithoutDates(htemp.path());
        for (int i = 0; i < 2; ++i) {
            if (!completed[i]) {
                ++overlapped;
                EXPECT_EQ(errors[i],
                          "Otra conversión de Vinculor está trabajando en el directorio de Horavia «" +
                              files::toUtf8(htemp.path()) + "». Espere a que termine y vuelva a intentarlo.");
                EXPECT_EQ(testing::differences(alone[1 - i], tables), "") << "intento " << attempt;
            }
        }
        if (completed[0] && completed[1]) {
            // One after the other: the later run's set, whole.
            EXPECT_TRUE(tables == alone[0] || tables == alone[1]) << "intento " << attempt;
        }
    }
    EXPECT_EQ(overlapped, 1);
}

} // namespace
} // namespace vinculor
