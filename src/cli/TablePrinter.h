#pragma once

#include <filesystem>
#include <iosfwd>

namespace vinculor::cli {

enum class TableFormat { Text, Csv, Json };

// Prints any dBase table: its fields, then its live records.
void printTable(const std::filesystem::path& file, TableFormat format, std::ostream& out);

} // namespace vinculor::cli
