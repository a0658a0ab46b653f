#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vinculor::testing {

// Every live record of a table, each as its fields' texts joined by '|', in
// stored order: a compact form to compare whole tables with.
std::vector<std::string> dumpRows(const std::filesystem::path& dir, const std::string& table);

// The same, for the named fields only.
std::vector<std::string> dumpRows(const std::filesystem::path& dir, const std::string& table,
                                  const std::vector<std::string>& fields);

} // namespace vinculor::testing
