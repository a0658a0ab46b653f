#include "cli/Cli.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    const bool errIsTerminal = _isatty(_fileno(stderr)) != 0;
#else
    const bool errIsTerminal = isatty(fileno(stderr)) != 0;
#endif
    return vinculor::cli::run(argc, argv, std::cout, std::cerr, errIsTerminal);
}
