// A read-only file in the Horavia directory (left so by a copy from a CD or a
// backup, or by hand): Windows refuses to delete such a file where POSIX
// systems allow it, and a stale index left beside a new table would be read
// as the table's own.
#include "dbf/Table.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeText;

void makeReadOnly(const fs::path& file) {
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

TEST(ReadOnlyFile, IsRemoved) {
    TempDir dir;
    const fs::path loud = dir / "ASIGNOMT.DBF";
    const fs::path quiet = dir / "ASIGNOMT.MDX";
    // Old tables set aside by an export, in the folder it removes when done.
    const fs::path aside = dir / ".vinculor-anterior-0123456789abcdef";
    fs::create_directory(aside);
    for (const fs::path& file : {loud, quiet, aside / "PROFT.DBF"}) {
        writeText(file, "antiguo");
        makeReadOnly(file);
    }
    EXPECT_NO_THROW(files::removeFile(loud));
    EXPECT_TRUE(files::removeFileQuietly(quiet));
    EXPECT_TRUE(files::removeTreeQuietly(aside));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ReadOnlyFile, AStaleIndexGoesWhenTheTableIsMadeAnew) {
    TempDir dir;
    const fs::path staleIndex = dir / "AULAT.MDX";
    writeText(staleIndex, std::string(4096, 'x'));
    makeReadOnly(staleIndex);
    Table table(dir.path(), "AULAT");
    table.create({{"ABREV", FieldType::Character, 10}});
    EXPECT_FALSE(fs::exists(staleIndex));
    table.open();
    EXPECT_EQ(table.recordCount(), 0u);
    table.discard();
}

} // namespace
} // namespace vinculor
