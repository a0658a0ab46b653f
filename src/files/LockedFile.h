#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace vinculor::files {

// A file held exclusively by this process while the object lives: on POSIX
// an flock(LOCK_EX | LOCK_NB) on an open descriptor, on Windows a handle
// opened without sharing. The platform code of the table lock and the
// directory lock.
class LockedFile {
public:
    enum class Kind {
        ExistingFile, // a file that is there, read through the handle
        Directory,    // a directory: the flock on the directory itself on POSIX;
                      // on Windows the hidden lock file ".vinculor.lock" in it,
                      // made if missing and deleted on close
    };

    LockedFile() = default;
    ~LockedFile();
    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // None when another holder has it; any other failure throws the file error.
    static std::optional<LockedFile> tryLock(const std::filesystem::path& path, Kind kind);

    // The file's size, and up to `size` bytes from `offset` (fewer at its end).
    std::uint64_t size() const;
    std::size_t readAt(std::uint64_t offset, char* out, std::size_t size) const;

    void release() noexcept;
    bool held() const noexcept;

private:
    std::filesystem::path path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace vinculor::files
