#pragma once

#include <filesystem>

namespace vinculor::files {

// Throws the Spanish error that names `directory` when it is missing or is
// not a directory: "No existe el directorio de Horavia «…»." or "«…» no es un
// directorio: no puede ser el directorio de Horavia.".
void requireHoraviaDirectory(const std::filesystem::path& directory);

} // namespace vinculor::files
