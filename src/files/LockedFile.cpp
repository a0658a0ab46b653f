#include "files/LockedFile.h"

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

namespace vinculor::files {

namespace fs = std::filesystem;

LockedFile::~LockedFile() {
    release();
}

LockedFile::LockedFile(LockedFile&& other) noexcept : path_(std::move(other.path_)) {
#ifdef _WIN32
    handle_ = std::exchange(other.handle_, nullptr);
#else
    fd_ = std::exchange(other.fd_, -1);
#endif
}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
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

std::optional<LockedFile> LockedFile::tryLock(const fs::path& path, Kind kind) {
    const bool directory = kind == Kind::Directory;
    const fs::path file = directory ? path / ".vinculor.lock" : path;
    HANDLE h = directory ? CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                         : CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) {
            return std::nullopt;
        }
        if (directory) {
            throwFileError("crear", file, EACCES);
        }
        throwFileError("abrir", file, e == ERROR_ACCESS_DENIED ? EACCES : ENOENT);
    }
    LockedFile locked;
    locked.path_ = file;
    locked.handle_ = h;
    return locked;
}

std::uint64_t LockedFile::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) {
        throwFileError("leer", path_, EIO);
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t LockedFile::readAt(std::uint64_t offset, char* out, std::size_t size) const {
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
            throwFileError("leer", path_, EIO);
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

void LockedFile::release() noexcept {
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
}

bool LockedFile::held() const noexcept {
    return handle_ != nullptr;
}

#else

std::optional<LockedFile> LockedFile::tryLock(const fs::path& path, Kind kind) {
    const int flags = kind == Kind::Directory ? O_RDONLY | O_DIRECTORY | O_CLOEXEC : O_RDONLY | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        throwFileError("abrir", path, errno);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK) {
            return std::nullopt;
        }
        throwFileError("bloquear", path, e);
    }
    LockedFile locked;
    locked.path_ = path;
    locked.fd_ = fd;
    return locked;
}

std::uint64_t LockedFile::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        throwFileError("leer", path_, errno);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t LockedFile::readAt(std::uint64_t offset, char* out, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throwFileError("leer", path_, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void LockedFile::release() noexcept {
    if (fd_ >= 0) {
        ::close(fd_); // closing the descriptor drops the flock
        fd_ = -1;
    }
}

bool LockedFile::held() const noexcept {
    return fd_ >= 0;
}

#endif

} // namespace vinculor::files
