#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return vinculor::cli::run(argc, argv, std::cout, std::cerr);
}
