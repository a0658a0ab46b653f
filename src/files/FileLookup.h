#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

// Finding a file by name without regard to ASCII letter case: the timetabling
// program names its tables in upper case, other tools write them in lower
// case, and on a case-sensitive file system both spellings can be there.
namespace vinculor::files {

// The regular file of `directory` named `fileName` in any letter case,
// preferring the exact spelling; none when there is no such file.
std::optional<std::filesystem::path> findCaseInsensitive(const std::filesystem::path& directory,
                                                         std::string_view fileName);

// Every regular file of `directory` named `fileName` in any letter case; none
// when the directory cannot be read.
std::vector<std::filesystem::path> findAllCaseInsensitive(const std::filesystem::path& directory,
                                                          std::string_view fileName);

} // namespace vinculor::files
