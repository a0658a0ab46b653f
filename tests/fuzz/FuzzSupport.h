#pragma once

#include "run/RunState.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// What the fuzz targets share. A target's findings are crashes, sanitizer
// reports, leaks, exceptions other than vinculor::Error, and broken
// invariants, which check() turns into an abort with the reason.
namespace vinculor::fuzzing {

namespace fs = std::filesystem;

// A directory of this process for the files a target writes: under /dev/shm
// where there is one (each run writes dozens of small files), else under the
// system's temporary directory. Removed when the process ends normally.
const fs::path& scratchDirectory();

// Aborts, printing `what`, when `ok` is false.
void check(bool ok, std::string_view what);

// The fuzzer's bytes as text.
std::string_view bytesOf(const std::uint8_t* data, std::size_t size);

// Removes everything in `dir` and writes `files` (name -> bytes) into it.
void resetDirectory(const fs::path& dir, const std::map<std::string, std::string>& files);

// The example school of the repository.
fs::path exampleSchool();
// A small school (a seed of the export target) whose tables the SOLUC target
// looks codes up in: small tables keep every import quick.
fs::path smallSchool();

// Exports `school` into `htemp` as a user would, checking that it completes.
void exportSchool(const fs::path& school, const fs::path& htemp);

} // namespace vinculor::fuzzing
