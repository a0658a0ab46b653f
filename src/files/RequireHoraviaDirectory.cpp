#include "files/RequireHoraviaDirectory.h"

#include "base/Error.h"
#include "files/FileSystem.h"

namespace vinculor::files {

void requireHoraviaDirectory(const std::filesystem::path& directory) {
    std::error_code ec;
    if (directory.empty() || !std::filesystem::exists(directory, ec)) {
        throw Error("No existe el directorio de Horavia «" + toUtf8(directory) + "».");
    }
    if (!std::filesystem::is_directory(directory, ec)) {
        throw Error("«" + toUtf8(directory) +
                    "» no es un directorio: no puede ser el directorio de Horavia.");
    }
}

} // namespace vinculor::files
