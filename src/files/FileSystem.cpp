#include "files/FileSystem.h"

#include "base/Error.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#ifdef _WIN32
#include <process.h>
#define VINCULOR_GETPID _getpid
#else
#include <unistd.h>
#define VINCULOR_GETPID getpid
#endif

namespace vinculor::files {

namespace {

std::atomic<long> gOperations{0};
std::atomic<long> gFailAt{0};
std::atomic<bool> gTriggered{false};
std::function<void(std::string_view, const fs::path&)> gWatcher;

std::string reasonText(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
        return "no existe el archivo o el directorio";
    case EACCES:
    case EPERM:
        return "permiso denegado";
    case ENOSPC:
        return "no queda espacio en el disco";
    case EROFS:
        return "el sistema de archivos es de solo lectura";
    case EISDIR:
        return "es un directorio";
    case ENOTDIR:
        return "una parte de la ruta no es un directorio";
    case EEXIST:
        return "ya existe";
    case EBUSY:
    case ETXTBSY:
        return "está en uso por otro programa";
    case EIO:
        return "error de entrada/salida";
    case ENAMETOOLONG:
        return "el nombre es demasiado largo";
    default:
        return std::string("error del sistema ") + std::to_string(errorNumber);
    }
}

} // namespace

fs::path fromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string toUtf8(const fs::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

bool isRegularFile(const fs::path& path) noexcept {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool isDirectory(const fs::path& path) noexcept {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

void throwFileError(std::string_view verb, const fs::path& path, int errorNumber) {
    throw Error::file(std::string(verb), path, reasonText(errorNumber));
}

void countOperation(std::string_view what, const fs::path& path) {
    if (gWatcher) {
        gWatcher(what, path);
    }
    const long n = ++gOperations;
    const long failAt = gFailAt.load();
    if (failAt > 0 && n == failAt) {
        gTriggered = true;
        throwFileError(what, path, EIO);
    }
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throwFileError("leer", path, errno != 0 ? errno : ENOENT);
    }
    // One read of the size the file has, then whatever it may have grown by.
    std::string data;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size > 0 && in) {
        data.resize(static_cast<std::size_t>(size));
        in.read(data.data(), size);
        data.resize(static_cast<std::size_t>(in.gcount()));
        if (in.bad()) {
            throwFileError("leer", path, EIO);
        }
        in.clear(in.rdstate() & ~std::ios::failbit & ~std::ios::eofbit);
    }
    std::ostringstream rest;
    rest << in.rdbuf();
    if (in.bad()) {
        throwFileError("leer", path, EIO);
    }
    data += std::move(rest).str();
    return data;
}

void writeFile(const fs::path& path, std::string_view data) {
    countOperation("crear", path);
    errno = 0;
    std::FILE* file = nullptr;
#ifdef _WIN32
    file = _wfopen(path.c_str(), L"wb");
#else
    file = std::fopen(path.c_str(), "wb");
#endif
    if (file == nullptr) {
        throwFileError("crear", path, errno != 0 ? errno : EIO);
    }
    try {
        countOperation("escribir", path);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file) != data.size()) {
        const int e = errno != 0 ? errno : EIO;
        std::fclose(file);
        throwFileError("escribir", path, e);
    }
    try {
        countOperation("cerrar", path);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    if (std::fclose(file) != 0) {
        throwFileError("cerrar", path, errno != 0 ? errno : EIO);
    }
}

namespace {

fs::path temporaryBeside(const fs::path& path) {
    static std::atomic<unsigned> counter{0};
    fs::path temp = path;
    temp += ".tmp-" + std::to_string(VINCULOR_GETPID()) + "-" + std::to_string(++counter);
    return temp;
}

} // namespace

// The user knows the file by its own name, not by its temporary one.
static Error namingTarget(const Error& error, const fs::path& temp, const fs::path& path) {
    return error.kind() == ErrorKind::File && error.path() == temp ? error.aboutFile(path) : error;
}

void writeFileAtomic(const fs::path& path, std::string_view data) {
    const fs::path temp = temporaryBeside(path);
    try {
        writeFile(temp, data);
        renameFile(temp, path);
    } catch (const Error& e) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw namingTarget(e, temp, path);
    }
}

AtomicFileWriter::AtomicFileWriter(fs::path path) : path_(std::move(path)), temp_(temporaryBeside(path_)) {
    countOperation("crear", path_);
    errno = 0;
#ifdef _WIN32
    file_ = _wfopen(temp_.c_str(), L"w+b");
#else
    file_ = std::fopen(temp_.c_str(), "w+b");
#endif
    if (file_ == nullptr) {
        throwFileError("crear", path_, errno != 0 ? errno : EIO);
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
}

void AtomicFileWriter::write(std::string_view data) {
    if (file_ == nullptr) {
        throwFileError("escribir", path_, EBADF);
    }
    countOperation("escribir", path_);
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
        throwFileError("escribir", path_, errno != 0 ? errno : EIO);
    }
}

void AtomicFileWriter::write(const std::vector<std::string_view>& pieces) {
    if (file_ == nullptr) {
        throwFileError("escribir", path_, EBADF);
    }
    countOperation("escribir", path_);
    for (const std::string_view data : pieces) {
        if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
            throwFileError("escribir", path_, errno != 0 ? errno : EIO);
        }
    }
}

namespace {

void seek(std::FILE* file, std::uint64_t offset, const fs::path& path, std::string_view verb) {
#ifdef _WIN32
    const int failed = _fseeki64(file, static_cast<__int64>(offset), SEEK_SET);
#else
    const int failed = fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
    if (failed != 0) {
        throwFileError(verb, path, errno != 0 ? errno : EIO);
    }
}

} // namespace

void AtomicFileWriter::writeAt(std::uint64_t offset, std::string_view data) {
    if (file_ == nullptr) {
        throwFileError("escribir", path_, EBADF);
    }
    countOperation("escribir", path_);
    seek(file_, offset, path_, "escribir");
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
        throwFileError("escribir", path_, errno != 0 ? errno : EIO);
    }
}

void AtomicFileWriter::readAt(std::uint64_t offset, char* out, std::size_t size) {
    if (file_ == nullptr) {
        throwFileError("leer", temp_, EBADF);
    }
    seek(file_, offset, temp_, "leer");
    if (std::fread(out, 1, size, file_) != size) {
        throwFileError("leer", temp_, errno != 0 ? errno : EIO);
    }
}

void AtomicFileWriter::commit() {
    if (file_ == nullptr) {
        throwFileError("cerrar", path_, EBADF);
    }
    countOperation("cerrar", path_);
    std::FILE* file = std::exchange(file_, nullptr);
    if (std::fclose(file) != 0) {
        throwFileError("cerrar", path_, errno != 0 ? errno : EIO);
    }
    try {
        renameFile(temp_, path_);
    } catch (const Error& e) {
        throw namingTarget(e, temp_, path_);
    }
    temp_.clear();
}

void renameFile(const fs::path& from, const fs::path& to) {
    countOperation("renombrar", from);
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) {
        throwFileError("renombrar", from, ec.value());
    }
}

void removeFile(const fs::path& path) {
    countOperation("borrar", path);
    std::error_code ec;
    fs::remove(path, ec);
#ifdef _WIN32
    // Windows refuses to delete a read-only file, which a POSIX system (whose
    // deletion is a change of the directory) allows: clear the flag first.
    if (ec) {
        std::error_code ignored;
        const fs::file_status status = fs::symlink_status(path, ignored);
        if (fs::is_regular_file(status) &&
            (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
            fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ignored);
            ec.clear();
            fs::remove(path, ec);
        }
    }
#endif
    if (ec) {
        throwFileError("borrar", path, ec.value());
    }
}

bool removeFileQuietly(const fs::path& path) noexcept {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) {
        return true;
    }
    try {
        removeFile(path);
        return true;
    } catch (...) {
        return false;
    }
}

void createDirectory(const fs::path& path) {
    const auto cannotCreate = [&path](int errorNumber) {
        return Error("No se puede crear el directorio «" + toUtf8(path) + "»: " + reasonText(errorNumber) +
                     ".");
    };
    try {
        countOperation("crear", path);
    } catch (const Error&) {
        throw cannotCreate(EIO); // an injected failure reads as a real one: of a directory
    }
    std::error_code ec;
    if (!fs::create_directory(path, ec)) {
        throw cannotCreate(ec ? ec.value() : EEXIST);
    }
}

void removeTreeQuietly(const fs::path& path) noexcept {
    std::error_code ec;
    fs::remove_all(path, ec);
}

void FaultInjection::failOperation(long k) {
    gOperations = 0;
    gTriggered = false;
    gFailAt = k;
}

void FaultInjection::disarm() {
    gFailAt = 0;
}

long FaultInjection::operations() {
    return gOperations;
}

void FaultInjection::resetCount() {
    gOperations = 0;
}

bool FaultInjection::triggered() {
    return gTriggered;
}

void FaultInjection::watch(std::function<void(std::string_view what, const fs::path& path)> watcher) {
    gWatcher = std::move(watcher);
}

} // namespace vinculor::files
