#include "files/RequireHoraviaDirectory.h"

#include "base/Error.h"
#include "files/FileSystem.h"

namespace vinculor::files {

void requireHoraviaDirectory(const std::filesystem::path& directory) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(directory, ec);
    if (directory.empty() || status.type() == std::filesystem::file_type::not_found) {
        throw Error("No existe el directorio de Horavia «" + toUtf8(directory) + "».");
    }
    if (ec) {
        // Not missing: a path that cannot be examined (a loop of links, a denied folder on the way).
        throw Error("No se puede abrir el directorio de Horavia «" + toUtf8(directory) +
                    "»: " + reasonText(ec.value()) + ".");
    }
    if (!std::filesystem::is_directory(status)) {
        throw Error("«" + toUtf8(directory) +
                    "» no es un directorio: no puede ser el directorio de Horavia.");
    }
}

} // namespace vinculor::files
