#pragma once

#include "dbf/Table.h"

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

// Makes a table with these fields and records; each value is given as text
// (a number for integer and float fields, "T"/"F" for booleans, "" for none).
void createTable(const std::filesystem::path& dir, const std::string& table,
                 const std::vector<FieldDef>& fields, const std::vector<std::vector<std::string>>& records);

} // namespace vinculor::testing
