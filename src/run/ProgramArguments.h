#pragma once

#include <string>
#include <vector>

namespace vinculor {

// The program's command line as UTF-8 texts, the program's name first. On
// Windows they are read from the wide command line: the `argv` of `main`
// holds them in the ANSI code page, where an accented name is not UTF-8 and
// a name outside the code page is lost. Elsewhere `argv` as it is.
std::vector<std::string> programArguments(int argc, char** argv);

// Pointers to the texts, as `main` would have them (and a null pointer after
// the last); valid while `arguments` lives unchanged.
std::vector<char*> argumentPointers(std::vector<std::string>& arguments);

} // namespace vinculor
