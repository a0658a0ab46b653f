#include "files/DirectoryLock.h"

#include "base/Error.h"
#include "files/FileSystem.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vinculor {

namespace {

[[noreturn]] void busy(const std::filesystem::path& directory) {
    throw Error("Otra conversión de Vinculor está trabajando en el directorio de Horavia «" +
                files::toUtf8(directory) + "». Espere a que termine y vuelva a intentarlo.");
}

[[noreturn]] void cannotLock(const std::filesystem::path& directory, int errorNumber) {
    throw Error("No se puede bloquear el directorio de Horavia «" + files::toUtf8(directory) +
                "» para trabajar en él: " + files::reasonText(errorNumber) + ".");
}

// Called when the directory cannot be locked: says so when it is missing or
// is not a directory at all, which is far likelier than a denied permission.
// A path that cannot even be examined (a loop of links) is left to cannotLock.
void checkIsDirectory(const std::filesystem::path& directory) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(directory, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        throw Error("No existe el directorio de Horavia «" + files::toUtf8(directory) + "».");
    }
    if (!ec && !std::filesystem::is_directory(status)) {
        throw Error("«" + files::toUtf8(directory) +
                    "» no es un directorio: no puede ser el directorio de Horavia.");
    }
}

} // namespace

#ifdef _WIN32

DirectoryLock::DirectoryLock(const std::filesystem::path& directory) {
    const std::filesystem::path file = directory / ".vinculor.lock";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) {
            busy(directory);
        }
        checkIsDirectory(directory);
        cannotLock(directory, files::errnoFromWindows(error));
    }
    handle_ = h;
}

DirectoryLock::~DirectoryLock() {
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));
    }
}

#else

DirectoryLock::DirectoryLock(const std::filesystem::path& directory) {
    fd_ = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        checkIsDirectory(directory);
        cannotLock(directory, error);
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        if (error == EWOULDBLOCK) {
            busy(directory);
        }
        cannotLock(directory, error); // not another run: a file system without locks, say
    }
}

DirectoryLock::~DirectoryLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

#endif

} // namespace vinculor
