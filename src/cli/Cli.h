#pragma once

#include <iosfwd>

namespace vinculor::cli {

// The whole command line; returns the exit status. `errIsTerminal` says that
// `err` is a terminal: only then, and not with --json, does a conversion show
// its progress there.
int run(int argc, char** argv, std::ostream& out, std::ostream& err, bool errIsTerminal = false);

} // namespace vinculor::cli
