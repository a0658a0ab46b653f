#include "base/Error.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

Error errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return Error("(no error)");
}

TEST(FileErrors, KeepTheOperationTheFileAndTheCause) {
    TempDir dir;
    const Error missing = errorOf([&] { (void)files::readFile(dir / "NADA.XML"); });
    EXPECT_EQ(missing.kind(), ErrorKind::File);
    EXPECT_EQ(missing.verb(), "leer");
    EXPECT_EQ(missing.path(), dir / "NADA.XML");
    EXPECT_EQ(missing.cause(), "no existe el archivo o el directorio");
    EXPECT_EQ(std::string(missing.what()), "No se puede leer el archivo «" + files::toUtf8(dir / "NADA.XML") +
                                               "»: no existe el archivo o el directorio.");
    EXPECT_EQ(Error("Otro fallo.").kind(), ErrorKind::Other);
}

// The operation fails on the temporary file beside the target; the user is
// told of the target, with the same operation and cause.
TEST(FileErrors, AnAtomicWriteNamesItsTargetWhateverTheTemporaryFileWasCalled) {
    TempDir dir;
    fs::create_directory(dir / "SOLUC.DBF"); // a directory where the file should go
    const Error renaming = errorOf([&] { files::writeFileAtomic(dir / "SOLUC.DBF", "datos"); });
    EXPECT_EQ(renaming.kind(), ErrorKind::File);
    EXPECT_EQ(renaming.verb(), "sustituir");
    EXPECT_EQ(renaming.path(), dir / "SOLUC.DBF");
    EXPECT_EQ(std::string(renaming.what()).find(".tmp-"), std::string::npos) << renaming.what();

    files::FaultInjection::failOperation(1); // creating the temporary file
    const Error creating = errorOf([&] { files::writeFileAtomic(dir / "ASIGT.DBF", "datos"); });
    files::FaultInjection::disarm();
    EXPECT_EQ(creating.verb(), "crear");
    EXPECT_EQ(creating.path(), dir / "ASIGT.DBF");
    EXPECT_FALSE(creating.cause().empty());
    // A message of another kind is kept as it is, whatever file it names.
    const Error other(ErrorKind::Damaged, "La tabla X («a.tmp-1») está dañada.");
    EXPECT_EQ(std::string(other.aboutFile(dir / "X.DBF").what()), other.what());
}

#ifdef _WIN32
// Windows will not replace a file that another program holds open: the
// message says so, and the file stays as it was.
TEST(FileErrors, AFileThatAnotherProgramHoldsOpenIsNamedAsSuch) {
    TempDir dir;
    const fs::path target = dir / "ResultadoHoraviacentro.xml";
    files::writeFile(target, "antes");
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const Error replacing = errorOf([&] { files::writeFileAtomic(target, "después"); });
    CloseHandle(held);
    EXPECT_EQ(replacing.path(), target);
    EXPECT_NE(std::string(replacing.what()).find("otro programa"), std::string::npos) << replacing.what();
    EXPECT_EQ(files::readFile(target), "antes");
}
#endif

} // namespace
} // namespace vinculor
