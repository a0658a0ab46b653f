#pragma once

#include "support/TempDir.h"

#include <filesystem>
#include <map>
#include <string>

namespace vinculor::testing {

// The example school of the repository, as Pincel-eKade exports it.
std::filesystem::path exampleSchool();

// A school other than the example, for the tables "of an earlier export".
std::string earlierSchool();

// Exports `school` into `htemp` and fails the test unless the run completes.
void exportInto(const std::filesystem::path& school, const std::filesystem::path& htemp);

// Makes `to` (an existing, empty directory) a copy of `from`.
void copyInto(const std::filesystem::path& from, const std::filesystem::path& to);

// A snapshot with the dates in table and index headers blanked: two runs on
// either side of midnight still compare equal.
std::map<std::string, std::string> snapshotWithoutDates(const std::filesystem::path& dir);

// What changed between two snapshots, one file a line ("cambiado X",
// "nuevo X", "falta X"); empty when they are equal. Short enough for a
// failure message, where the snapshots themselves are not.
std::string differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after);

} // namespace vinculor::testing
