#pragma once

#include "files/LockedFile.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace vinculor {

// Holds a table's data file exclusively while the table is open (LockedFile).
// Another program holding it, or another open Table in this one, makes
// acquire() fail with "La tabla X está en uso por otro programa.".
class TableLock {
public:
    static TableLock acquire(const std::filesystem::path& path, std::string_view tableName);

    // The file's size, and up to `size` bytes from `offset` (fewer at its
    // end), read through the held handle (on Windows no other handle may open
    // it while the lock is held).
    std::uint64_t size() const { return file_.size(); }
    std::size_t readAt(std::uint64_t offset, char* out, std::size_t size) const {
        return file_.readAt(offset, out, size);
    }

    void release() noexcept { file_.release(); }
    bool held() const { return file_.held(); }

private:
    files::LockedFile file_;
};

} // namespace vinculor
