// Two exports on one Horavia directory, the second started while the first
// is at work there: the first completes, the second stops with the directory
// lock's error, and the directory holds the first run's whole set of tables,
// never a mixture.
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

namespace fs = std::filesystem;
using testing::TempDir;

// Which of the two runs this thread is.
thread_local int tRunner = -1;

// Opened once, by one thread, for the threads that wait on it. (A gate of our
// own: std::barrier does not work in every standard library we build with.)
class Gate {
public:
    void open() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        opened_.wait(lock, [&] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

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

    // The first run, once it holds the directory (it is making its staging
    // folder there), lets the second one start and waits for it to end.
    TempDir htemp;
    Gate secondMayStart;
    Gate secondEnded;
    files::FaultInjection::watch([&](std::string_view, const fs::path& path) {
        if (tRunner == 0 && files::toUtf8(path.filename()).rfind(".vinculor-exportando-", 0) == 0) {
            secondMayStart.open();
            secondEnded.wait();
        }
    });
    bool completed[2] = {false, false};
    std::string errors[2];
    const auto exportSchool = [&](int i) {
        tRunner = i;
        RunState state;
        state.horaviaDir = htemp.path();
        state.tables.bindAll(htemp.path());
        testing::ScriptedUi ui;
        ui.dialogAnswers = {schools[i].string()};
        if (i == 1) {
            secondMayStart.wait();
        }
        try {
            completed[i] = exporting::runExport(state, ui) == RunOutcome::Completed;
        } catch (const Error& e) {
            errors[i] = e.what();
        }
        if (i == 1) {
            secondEnded.open();
        }
    };
    std::thread first(exportSchool, 0);
    std::thread second(exportSchool, 1);
    first.join();
    second.join();
    files::FaultInjection::watch(nullptr);

    EXPECT_TRUE(completed[0]) << errors[0];
    EXPECT_FALSE(completed[1]);
    EXPECT_EQ(errors[1], "Otra conversión de Vinculor está trabajando en el directorio de Horavia «" +
                             files::toUtf8(htemp.path()) + "». Espere a que termine y vuelva a intentarlo.");
    EXPECT_EQ(testing::differences(alone[0], testing::snapshotWithoutDates(htemp.path())), "");
}

} // namespace
} // namespace vinculor
