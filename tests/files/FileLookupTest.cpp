#include "files/FileLookup.h"

#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeText;

std::vector<std::string> names(std::vector<fs::path> paths) {
    std::vector<std::string> out;
    for (const fs::path& p : paths) {
        out.push_back(p.filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(FileLookup, FindsEverySpellingOfANameAndPrefersTheExactOne) {
    TempDir dir;
    writeText(dir / "soluc.dbf", "a");
    writeText(dir / "SOLUC.MDX", "c");
    fs::create_directory(dir / "SOLUC.DBF2");
    fs::create_directory(dir / "asigt.dbf"); // a directory is not a table
    EXPECT_FALSE(files::findCaseInsensitive(dir.path(), "ASIGT.DBF").has_value());
    EXPECT_TRUE(files::findAllCaseInsensitive(dir.path(), "ASIGT.DBF").empty());
    EXPECT_TRUE(files::findAllCaseInsensitive(dir / "no-existe", "SOLUC.DBF").empty());
    EXPECT_FALSE(files::findCaseInsensitive(dir / "no-existe", "SOLUC.DBF").has_value());
    EXPECT_EQ(names(files::findAllCaseInsensitive(dir.path(), "SOLUC.DBF")),
              std::vector<std::string>{"soluc.dbf"});
    EXPECT_EQ(files::findCaseInsensitive(dir.path(), "SOLUC.DBF")->filename(), "soluc.dbf");

    writeText(dir / "Soluc.Dbf", "b");
    if (names(files::findAllCaseInsensitive(dir.path(), "SOLUC.DBF")).size() == 1) {
        GTEST_SKIP() << "the file system keeps one file per name in any letter case";
    }
    // Where letter case makes two files, both are found; the exact spelling first.
    EXPECT_EQ(names(files::findAllCaseInsensitive(dir.path(), "SOLUC.DBF")),
              (std::vector<std::string>{"Soluc.Dbf", "soluc.dbf"}));
    EXPECT_EQ(files::findCaseInsensitive(dir.path(), "soluc.dbf"), dir / "soluc.dbf");
    EXPECT_EQ(files::findCaseInsensitive(dir.path(), "Soluc.Dbf"), dir / "Soluc.Dbf");
}

} // namespace
} // namespace vinculor
