// When the tables of an export reach the disk. The steps rewrite the staged
// tables many times without flushing them; what matters after a power cut is
// that each of them is flushed after its last write and before the journal
// that makes it one of the directory's files.
#include "ReliabilitySupport.h"
#include "files/FileSystem.h"
#include "files/JournaledCommit.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vinculor {
namespace {

namespace fs = std::filesystem;

struct Event {
    std::string what;
    fs::path path;
};

TEST(FlushOrder, EveryNewTableIsFlushedAfterItsLastWriteAndBeforeTheJournal) {
    testing::TempDir htemp;
    std::vector<Event> events;
    {
        struct Watching {
            ~Watching() { files::FaultInjection::watch(nullptr); }
        } watching;
        files::FaultInjection::watch([&](std::string_view what, const fs::path& path) {
            events.push_back({std::string(what), path});
        });
        testing::exportInto(testing::exampleSchool(), htemp.path());
    }

    std::size_t journal = events.size();
    for (std::size_t k = 0; k < events.size() && journal == events.size(); ++k) {
        if (events[k].path.filename() == files::JournaledCommit::kJournalName) {
            journal = k;
        }
    }
    ASSERT_LT(journal, events.size()) << "no journal was written";

    for (const char* table : {"ASIGNOMT.DBF", "PROFT.DBF", "AULAT.DBF", "GRUPOST.DBF", "DIASHORAST.DBF",
                              "COUNTSES.DBF", "COUNTSES.MDX", "ASIGT.DBF"}) {
        SCOPED_TRACE(table);
        // The last thing done to the staged file before the journal is its flush.
        std::size_t last = journal;
        for (std::size_t k = 0; k < journal; ++k) {
            const std::string name = files::toUtf8(events[k].path.filename());
            if (name == table || files::isTemporaryName(name, table)) {
                last = k;
            }
        }
        ASSERT_LT(last, journal) << "never written";
        EXPECT_EQ(events[last].what, "escribir");
        EXPECT_EQ(events[last].path.filename(), table);
        EXPECT_NE(events[last].path.parent_path(), htemp.path()) << "not in the staging folder";
    }
}

} // namespace
} // namespace vinculor
