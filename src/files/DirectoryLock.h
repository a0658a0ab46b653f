#pragma once

#include "files/LockedFile.h"

#include <filesystem>

namespace vinculor {

// Keeps other conversions of this program out of the Horavia directory while
// a run works in it: two exports started at once must not mix their tables.
// On POSIX an flock on the directory itself (nothing is written into it); on
// Windows a lock file opened without sharing and deleted on close
// (LockedFile).
class DirectoryLock {
public:
    // Throws a Spanish error when another run holds the directory.
    explicit DirectoryLock(const std::filesystem::path& directory);

private:
    files::LockedFile file_;
};

} // namespace vinculor
