#include "run/ProgramArguments.h"

#ifdef _WIN32
#include "text/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
// clang-format off
#include <windows.h>
#include <shellapi.h> // after windows.h, which it needs
// clang-format on
#endif

namespace vinculor {

#ifdef _WIN32

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(text::narrow(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

#else

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#endif

std::vector<char*> argumentPointers(std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace vinculor
