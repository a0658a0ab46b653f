#include "files/DirectoryLock.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <optional>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string lockError(const fs::path& dir) {
    try {
        DirectoryLock lock(dir);
    } catch (const Error& e) {
        return e.what();
    }
    return "(sin error)";
}

// Only another run holding the directory is reported as one; every other
// cause is said as it is, in Spanish, naming the directory.
TEST(DirectoryLock, SaysWhyItCannotBeTaken) {
    TempDir work;
    const fs::path file = work / "archivo";
    testing::writeText(file, "");
    const std::string missing = files::toUtf8(work / "nada");
    struct Case {
        fs::path dir;
        std::string message;
    };
    const Case cases[] = {
        {work / "nada", "No existe el directorio de Horavia «" + missing + "»."},
        {file, "«" + files::toUtf8(file) + "» no es un directorio: no puede ser el directorio de Horavia."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lockError(c.dir), c.message);
    }
#ifndef _WIN32
    // A path that cannot even be examined: the cause, not a guess.
    fs::create_directory_symlink(work / "bucle", work / "bucle");
    EXPECT_EQ(lockError(work / "bucle"), "No se puede abrir el directorio de Horavia «" +
                                             files::toUtf8(work / "bucle") +
                                             "»: hay demasiados enlaces simbólicos encadenados.");
#endif

    std::optional<DirectoryLock> held(std::in_place, work.path());
    EXPECT_EQ(lockError(work.path()),
              "Otra conversión de Vinculor está trabajando en el directorio de Horavia «" +
                  files::toUtf8(work.path()) + "». Espere a que termine y vuelva a intentarlo.");
    held.reset();
    EXPECT_EQ(lockError(work.path()), "(sin error)");
}

} // namespace
} // namespace vinculor
