#pragma once

#include "files/FileSystem.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vinculor::exporting {

// A folder inside the Horavia directory where an export writes its tables.
// commit() puts them in place of the old ones as one journaled change
// (files::JournaledCommit): the directory holds either the old set or the new
// one, after a failure as after a crash. The folder is removed when the object
// goes, unless a failed undo left it for the next run's recovery. Its files
// reach the disk once, when they are committed, however often the steps
// rewrite them before.
class HoraviaStaging {
public:
    // Throws when the Horavia directory is missing or not a directory.
    explicit HoraviaStaging(std::filesystem::path horaviaDir);
    ~HoraviaStaging();
    HoraviaStaging(const HoraviaStaging&) = delete;
    HoraviaStaging& operator=(const HoraviaStaging&) = delete;

    const std::filesystem::path& path() const { return staging_; }

    // Replaces, in the Horavia directory, the .DBF and .MDX files of `tables`
    // and of `removed` by the staged files of `tables` (any letter case).
    void commit(const std::vector<std::string>& tables, const std::vector<std::string>& removed);

private:
    std::filesystem::path horaviaDir_;
    std::filesystem::path staging_;
    std::unique_ptr<files::UnflushedFolder> unflushed_;
};

} // namespace vinculor::exporting
