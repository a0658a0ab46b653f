#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace vinculor::testing {

// A fresh directory under the system's temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void writeText(const std::filesystem::path& file, const std::string& bytes);
std::string readText(const std::filesystem::path& file);

// Every regular file below `dir` with its bytes, by path relative to `dir`:
// a directory is "unchanged" when two snapshots compare equal.
std::map<std::string, std::string> snapshot(const std::filesystem::path& dir);

} // namespace vinculor::testing
