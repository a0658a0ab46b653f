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
    writeText(dir / "Soluc.Dbf", "b");
    writeText(dir / "SOLUC.MDX", "c");
    fs::create_directory(dir / "SOLUC.DBF2");
    fs::create_directory(dir / "solUC.DBF"); // a directory is not the table

    EXPECT_EQ(names(files::findAllCaseInsensitive(dir.path(), "SOLUC.DBF")),
              (std::vector<std::string>{"Soluc.Dbf", "soluc.dbf"}));
    EXPECT_EQ(files::findCaseInsensitive(dir.path(), "soluc.dbf"), dir / "soluc.dbf");
    const auto any = files::findCaseInsensitive(dir.path(), "SOLUC.DBF");
    ASSERT_TRUE(any.has_value());
    EXPECT_TRUE(any->filename() == "soluc.dbf" || any->filename() == "Soluc.Dbf");
    EXPECT_FALSE(files::findCaseInsensitive(dir.path(), "ASIGT.DBF").has_value());
    EXPECT_TRUE(files::findAllCaseInsensitive(dir / "no-existe", "SOLUC.DBF").empty());
    EXPECT_FALSE(files::findCaseInsensitive(dir / "no-existe", "SOLUC.DBF").has_value());
}

} // namespace
} // namespace vinculor
