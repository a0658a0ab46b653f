#pragma once

#include <iosfwd>

namespace vinculor::cli {

// The whole command line; returns the exit status.
int run(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace vinculor::cli
