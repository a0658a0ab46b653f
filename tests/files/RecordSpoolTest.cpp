// Records kept aside come back in the order they came, from memory and from
// the temporary file they spill to; nothing is left on disk.
#include "files/RecordSpool.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vinculor::files {
namespace {

using testing::TempDir;

// Four digits: 0007.
std::string numbered(std::size_t i) {
    std::string digits = std::to_string(i);
    return std::string(4 - digits.size(), '0') + digits;
}

TEST(RecordSpoolTest, RecordsComeBackInOrderFromMemoryAndFromTheFile) {
    TempDir dir;
    const std::filesystem::path target = dir / "salida.xml";
    for (const std::size_t count : {0, 3, 10, 11, 1000}) {
        {
            RecordSpool spool(4, target, 40); // ten records kept in memory
            for (std::size_t i = 0; i < count; ++i) {
                spool.add(numbered(i).c_str());
            }
            EXPECT_EQ(spool.size(), count);
            EXPECT_EQ(spool.spilled(), count > 10) << count;
            std::vector<std::string> read;
            spool.forEach([&](const char* record) { read.emplace_back(record, 4); });
            ASSERT_EQ(read.size(), count);
            for (std::size_t i = 0; i < count; ++i) {
                ASSERT_EQ(read[i], numbered(i)) << count;
            }
            // Read twice, the same.
            std::size_t again = 0;
            spool.forEach([&](const char*) { ++again; });
            EXPECT_EQ(again, count);
        }
        // Neither the target nor a temporary file is left.
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << count;
    }
}

TEST(RecordSpoolTest, WithoutATargetEveryRecordStaysInMemory) {
    RecordSpool spool(4, {}, 8);
    for (std::size_t i = 0; i < 100; ++i) {
        spool.add(numbered(i).c_str());
    }
    EXPECT_FALSE(spool.spilled());
    std::size_t i = 0;
    spool.forEach([&](const char* record) { EXPECT_EQ(std::string(record, 4), numbered(i++)); });
    EXPECT_EQ(i, 100u);
}

} // namespace
} // namespace vinculor::files
