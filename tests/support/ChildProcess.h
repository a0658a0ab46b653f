#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vinculor::testing {

struct ProgramResult {
    int status = -1;
    std::string out; // the bytes the program wrote to standard output
    std::string err;
};

// Runs a program as a user would start it, with UTF-8 arguments (on Windows
// through the wide command line), its standard output and error sent to
// files, and waits for it.
ProgramResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments);

} // namespace vinculor::testing
