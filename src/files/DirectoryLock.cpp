#include "files/DirectoryLock.h"

#include "base/Error.h"
#include "files/FileSystem.h"

namespace vinculor {

DirectoryLock::DirectoryLock(const std::filesystem::path& directory) {
    std::error_code ec;
    if (!std::filesystem::exists(directory, ec)) {
        throw Error("No existe el directorio de Horavia «" + files::toUtf8(directory) + "».");
    }
    if (!std::filesystem::is_directory(directory, ec)) {
        throw Error("«" + files::toUtf8(directory) +
                    "» no es un directorio: no puede ser el directorio de Horavia.");
    }
    std::optional<files::LockedFile> file =
        files::LockedFile::tryLock(directory, files::LockedFile::Kind::Directory);
    if (!file) {
        throw Error(ErrorKind::InUse,
                    "Otra conversión de Vinculor está trabajando en el directorio de Horavia «" +
                        files::toUtf8(directory) + "». Espere a que termine y vuelva a intentarlo.");
    }
    file_ = std::move(*file);
}

} // namespace vinculor
