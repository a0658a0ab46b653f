#pragma once

#include "cli/Cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace vinculor::testing {

// What one run of the command line gave.
struct CliResult {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs the command line in this process as `vinculor-cli ARGS...`;
// `errIsTerminal`: as if standard error were a terminal. Header-only: only the
// suites that link the command line include it.
inline CliResult runCli(std::vector<std::string> args, bool errIsTerminal = false) {
    args.insert(args.begin(), "vinculor-cli");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err, errIsTerminal);
    return {status, out.str(), err.str()};
}

} // namespace vinculor::testing
