#include "files/DirectoryLock.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "files/RequireHoraviaDirectory.h"

namespace vinculor {

DirectoryLock::DirectoryLock(const std::filesystem::path& directory) {
    files::requireHoraviaDirectory(directory);
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
