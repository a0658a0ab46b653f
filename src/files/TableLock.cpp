#include "files/TableLock.h"

#include "base/Error.h"
#include "files/FileSystem.h"

#include <string>

namespace vinculor {

TableLock TableLock::acquire(const std::filesystem::path& path, std::string_view tableName) {
    std::optional<files::LockedFile> file =
        files::LockedFile::tryLock(path, files::LockedFile::Kind::ExistingFile);
    if (!file) {
        throw Error(ErrorKind::InUse, "La tabla " + std::string(tableName) +
                                          " está en uso por otro programa (archivo «" + files::toUtf8(path) +
                                          "»): ciérrela en Horavia, o en el programa que la tenga abierta, y "
                                          "vuelva a intentarlo.");
    }
    TableLock lock;
    lock.file_ = std::move(*file);
    return lock;
}

} // namespace vinculor
