#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

// Text crosses the Windows API as UTF-16 and lives inside the program as
// UTF-8. A sequence that is not valid in its encoding becomes U+FFFD.
namespace vinculor::text {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

} // namespace vinculor::text

#endif
