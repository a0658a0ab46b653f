#include "run/HoraviaDirectory.h"

#include "files/FileSystem.h"

#include <cstdlib>

namespace vinculor {

std::filesystem::path horaviaDirectory() {
#ifdef _WIN32
    // The wide environment: the narrow one is in the ANSI code page, not UTF-8.
    if (const wchar_t* overridden = _wgetenv(L"VINCULOR_HTEMP");
        overridden != nullptr && *overridden != L'\0') {
        return std::filesystem::path(overridden);
    }
#else
    if (const char* overridden = std::getenv("VINCULOR_HTEMP");
        overridden != nullptr && *overridden != '\0') {
        return files::fromUtf8(overridden);
    }
#endif
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    std::filesystem::path root = ec ? std::filesystem::path("/") : current.root_path();
    if (root.empty()) {
        root = "/";
    }
    return root / "HTEMP";
}

} // namespace vinculor
