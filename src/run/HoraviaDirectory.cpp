#include "run/HoraviaDirectory.h"

#include "files/FileSystem.h"

#include <cstdlib>

namespace vinculor {

std::filesystem::path horaviaDirectory() {
    if (const char* overridden = std::getenv("VINCULOR_HTEMP");
        overridden != nullptr && *overridden != '\0') {
        return files::fromUtf8(overridden);
    }
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    std::filesystem::path root = ec ? std::filesystem::path("/") : current.root_path();
    if (root.empty()) {
        root = "/";
    }
    return root / "HTEMP";
}

} // namespace vinculor
