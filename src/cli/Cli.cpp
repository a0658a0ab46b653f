#include "cli/Cli.h"

#include <ostream>

namespace vinculor::cli {

int run(int /*argc*/, char** /*argv*/, std::ostream& out, std::ostream& /*err*/) {
    out << "vinculor-cli " << VINCULOR_VERSION << "\n";
    return 0;
}

} // namespace vinculor::cli
