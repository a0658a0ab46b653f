#include "files/TableLock.h"

#include "base/Error.h"
#include "files/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vinculor {

namespace {

[[noreturn]] void inUse(std::string_view tableName) {
    throw Error(ErrorKind::InUse, "La tabla " + std::string(tableName) + " está en uso por otro programa.");
}

} // namespace

TableLock::~TableLock() {
    release();
}

TableLock::TableLock(TableLock&& other) noexcept : path_(std::move(other.path_)) {
#ifdef _WIN32
    handle_ = std::exchange(other.handle_, nullptr);
#else
    fd_ = std::exchange(other.fd_, -1);
#endif
}

TableLock& TableLock::operator=(TableLock&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
#ifdef _WIN32
        handle_ = std::exchange(other.handle_, nullptr);
#else
        fd_ = std::exchange(other.fd_, -1);
#endif
    }
    return *this;
}

#ifdef _WIN32

TableLock TableLock::acquire(const std::filesystem::path& path, std::string_view tableName) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) {
            inUse(tableName);
        }
        files::throwFileError("abrir", path, e == ERROR_ACCESS_DENIED ? EACCES : ENOENT);
    }
    TableLock lock;
    lock.path_ = path;
    lock.handle_ = h;
    return lock;
}

std::uint64_t TableLock::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) {
        files::throwFileError("leer", path_, EIO);
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t TableLock::readAt(std::uint64_t offset, char* out, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!ReadFile(static_cast<HANDLE>(handle_), out + done, want, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            files::throwFileError("leer", path_, EIO);
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

void TableLock::release() noexcept {
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
}

bool TableLock::held() const {
    return handle_ != nullptr;
}

#else

TableLock TableLock::acquire(const std::filesystem::path& path, std::string_view tableName) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        files::throwFileError("abrir", path, errno);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK) {
            inUse(tableName);
        }
        files::throwFileError("bloquear", path, e);
    }
    TableLock lock;
    lock.path_ = path;
    lock.fd_ = fd;
    return lock;
}

std::uint64_t TableLock::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        files::throwFileError("leer", path_, errno);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t TableLock::readAt(std::uint64_t offset, char* out, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            files::throwFileError("leer", path_, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void TableLock::release() noexcept {
    if (fd_ >= 0) {
        ::close(fd_); // closing the descriptor drops the flock
        fd_ = -1;
    }
}

bool TableLock::held() const {
    return fd_ >= 0;
}

#endif

} // namespace vinculor
