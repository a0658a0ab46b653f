#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vinculor {

// Holds a table's data file exclusively while the table is open: on POSIX an
// flock(LOCK_EX | LOCK_NB) on the file, on Windows the file opened without
// sharing. Another program holding it, or another open Table in this one,
// makes acquire() fail with "La tabla X está en uso por otro programa.".
class TableLock {
public:
    TableLock() = default;
    ~TableLock();
    TableLock(TableLock&& other) noexcept;
    TableLock& operator=(TableLock&& other) noexcept;
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    static TableLock acquire(const std::filesystem::path& path, std::string_view tableName);

    // The file's size, and up to `size` bytes from `offset` (fewer at its
    // end), read through the held handle (on Windows no other handle may open
    // it while the lock is held).
    std::uint64_t size() const;
    std::size_t readAt(std::uint64_t offset, char* out, std::size_t size) const;

    void release() noexcept;
    bool held() const;

private:
    std::filesystem::path path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace vinculor
