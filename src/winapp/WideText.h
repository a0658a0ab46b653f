#pragma once

#include <string>
#include <string_view>

// Text crosses the Windows API as UTF-16 and lives inside the program as UTF-8.
namespace vinculor::winapp {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

} // namespace vinculor::winapp
