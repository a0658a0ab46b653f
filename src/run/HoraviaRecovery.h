#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// The folders an export works in inside the Horavia directory: the prefix
// followed by 16 hex digits. Nothing else there starts with them.
inline constexpr const char* kStagingFolderPrefix = ".vinculor-exportando-";
inline constexpr const char* kAsideFolderPrefix = ".vinculor-anterior-";

// What a run does first, once it holds the Horavia directory's lock: undoes
// an export's commit that a crash or a failed undo left unfinished, and,
// once a flush of the directory has made sure that no journal can come back,
// removes what interrupted runs left behind: staging and set-aside folders
// and temporary files, recognised by their names only. Returns one Spanish
// line per thing done, for the run's summary; throws when old tables cannot
// be put back.
std::vector<std::string> recoverHoraviaDirectory(const std::filesystem::path& directory);

// Whether `name` is one that only this program's runs give to entries of the
// Horavia directory while they work.
bool isLeftoverName(std::string_view name);

} // namespace vinculor
