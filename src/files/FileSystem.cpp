#include "files/FileSystem.h"

#include "base/Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vinculor::files {

namespace {

std::atomic<long> gOperations{0};
std::atomic<long> gFailAt{0};
std::atomic<bool> gFailFrom{false};
std::atomic<bool> gTriggered{false};
std::atomic<long> gChanges{0}; // operations that change the disk, for the crash mode

std::mutex gHookMutex;
std::function<void(const fs::path&)> gTemporaryNameHook;
std::function<void(std::string_view, const fs::path&)> gWatcher;
std::vector<fs::path> gUnflushedFolders; // under gHookMutex

// Whether a file put in place at `path` is flushed to the disk there and then.
bool flushedAtOnce(const fs::path& path) {
    const fs::path folder = path.parent_path().lexically_normal();
    const std::lock_guard<std::mutex> lock(gHookMutex);
    return std::find(gUnflushedFolders.begin(), gUnflushedFolders.end(), folder) == gUnflushedFolders.end();
}

long crashAt() {
    static const long at = [] {
        const char* value = std::getenv("VINCULOR_CRASH_AT_OPERATION");
        return value != nullptr ? std::atol(value) : 0L;
    }();
    return at;
}

[[noreturn]] void crashNow() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 137);
#else
    std::raise(SIGKILL);
#endif
    std::_Exit(137);
}

// Every operation that changes the disk passes here first.
void crashPoint() {
    const long n = ++gChanges;
    if (n == crashAt()) {
        crashNow();
    }
}

#ifdef _WIN32
int errnoOf(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EIO;
    }
}
#endif

} // namespace

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
#ifdef ELOOP
    case ELOOP:
        return "hay demasiados enlaces simbólicos encadenados";
#endif
#ifdef ENOLCK
    case ENOLCK:
        return "el sistema de archivos no admite bloqueos";
#endif
    default:
        return std::string("error del sistema ") + std::to_string(errorNumber);
    }
}

#ifdef _WIN32
int errnoFromWindows(unsigned long error) {
    return errnoOf(error);
}
#endif

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

namespace {

// The counting, watching and failing of an operation, without the crash point.
void countWithoutCrashPoint(std::string_view what, const fs::path& path) {
    if (gWatcher) {
        gWatcher(what, path);
    }
    const long n = ++gOperations;
    const long failAt = gFailAt.load();
    if (failAt > 0 && (n == failAt || (gFailFrom && n > failAt))) {
        gTriggered = true;
        throwFileError(what, path, EIO);
    }
}

} // namespace

void countOperation(std::string_view what, const fs::path& path) {
    crashPoint();
    countWithoutCrashPoint(what, path);
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

namespace {

// Writes all of `data` to the open `file` of `path`, counting the write and
// the close that follows; on a failure the file is closed and the error thrown.
void writeWhole(std::FILE* file, const fs::path& path, std::string_view data) {
    try {
        countOperation("escribir", path);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    errno = 0;
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
}

} // namespace

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
    writeWhole(file, path, data);
    if (std::fclose(file) != 0) {
        throwFileError("cerrar", path, errno != 0 ? errno : EIO);
    }
}

namespace {

constexpr std::string_view kTemporaryInfix = ".vinculor-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryDigits = 16;

std::string randomHex() {
    static std::mutex mutex;
    static std::random_device device;
    static std::mt19937_64 generator = [] {
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    std::uint64_t value = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        value = generator() ^ (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(kTemporaryDigits, '0');
    for (std::size_t i = 0; i < kTemporaryDigits; ++i) {
        out[i] = kDigits[(value >> (4 * i)) & 0xFu];
    }
    return out;
}

fs::path temporaryName(const fs::path& path) {
    std::string name = ".";
    name += toUtf8(path.filename());
    name += kTemporaryInfix;
    name += randomHex();
    name += kTemporarySuffix;
    return path.parent_path() / fromUtf8(name);
}

// Opens a new file for reading and writing; never an existing one, never
// through a link. Returns null with the error number set when it cannot.
std::FILE* createExclusive(const fs::path& path, int& error) {
#ifdef _WIN32
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = errnoOf(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        error = EIO;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "w+b");
    if (file == nullptr) {
        _close(fd);
        error = EIO;
    }
    return file;
#else
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        error = errno != 0 ? errno : EIO;
        ::close(fd);
    }
    return file;
#endif
}

// A new temporary file beside `path`, its name in `temp`. Errors name `path`,
// the file the user knows.
std::FILE* createTemporaryBeside(const fs::path& path, fs::path& temp) {
    countOperation("crear", path);
    int error = EEXIST;
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = temporaryName(path);
        {
            const std::lock_guard<std::mutex> lock(gHookMutex);
            if (gTemporaryNameHook) {
                gTemporaryNameHook(temp);
            }
        }
        if (std::FILE* file = createExclusive(temp, error)) {
            return file;
        }
        if (error != EEXIST) {
            break; // only a name already taken is worth another try
        }
    }
    temp.clear();
    throwFileError("crear", path, error);
}

// Flushes what was written to the file down to the disk.
bool syncFile(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
#ifdef _WIN32
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
#else
    return ::fsync(::fileno(file)) == 0;
#endif
}

// Flushes (unless its folder is flushed later) and closes the file; on
// failure the error is thrown naming `path`.
void syncAndClose(std::FILE* file, const fs::path& path) {
    errno = 0;
    if (std::fflush(file) != 0 || (flushedAtOnce(path) && !syncFile(file))) {
        const int e = errno != 0 ? errno : EIO;
        std::fclose(file);
        throwFileError("escribir", path, e);
    }
    if (std::fclose(file) != 0) {
        throwFileError("cerrar", path, errno != 0 ? errno : EIO);
    }
}

} // namespace

bool isTemporaryName(std::string_view name, std::string_view target) {
    const std::size_t fixed = 1 + kTemporaryInfix.size() + kTemporaryDigits + kTemporarySuffix.size();
    if (name.size() <= fixed || name.front() != '.' ||
        name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix) {
        return false;
    }
    const std::string_view digits =
        name.substr(name.size() - kTemporarySuffix.size() - kTemporaryDigits, kTemporaryDigits);
    for (const char c : digits) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    const std::string_view infix =
        name.substr(name.size() - kTemporarySuffix.size() - kTemporaryDigits - kTemporaryInfix.size(),
                    kTemporaryInfix.size());
    const std::string_view ofTarget = name.substr(1, name.size() - fixed);
    return infix == kTemporaryInfix && (target.empty() || ofTarget == target);
}

std::vector<fs::path> removeStaleTemporaries(const fs::path& target) {
    std::vector<fs::path> removed;
    const std::string targetName = toUtf8(target.filename());
    std::vector<std::string> names;
    try {
        names = listDirectory(target.parent_path().empty() ? fs::path(".") : target.parent_path());
    } catch (const Error&) {
        return removed; // nothing to tidy where nothing can be read
    }
    for (const std::string& name : names) {
        const fs::path leftover = target.parent_path() / fromUtf8(name);
        std::error_code ec;
        // One that cannot go stays: it is in nobody's way.
        if (isTemporaryName(name, targetName) && !fs::is_directory(fs::symlink_status(leftover, ec)) &&
            removeFileQuietly(leftover)) {
            removed.push_back(leftover);
        }
    }
    return removed;
}

// The user knows the file by its own name, not by its temporary one.
static Error namingTarget(const Error& error, const fs::path& temp, const fs::path& path) {
    return error.kind() == ErrorKind::File && error.path() == temp ? error.aboutFile(path) : error;
}

void writeFileAtomic(const fs::path& path, std::string_view data, DirectoryFlush flush) {
    fs::path temp;
    std::FILE* file = createTemporaryBeside(path, temp);
    try {
        writeWhole(file, path, data);
        syncAndClose(file, path);
        renameFile(temp, path);
    } catch (const Error& e) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw namingTarget(e, temp, path);
    }
    if (!flushedAtOnce(path)) {
        return;
    }
    if (flush == DirectoryFlush::MustSucceed) {
        syncDirectory(path.parent_path());
    } else {
        syncDirectoryQuietly(path.parent_path()); // the new file is in place
    }
}

AtomicFileWriter::AtomicFileWriter(fs::path path) : path_(std::move(path)) {
    file_ = createTemporaryBeside(path_, temp_);
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
    syncAndClose(std::exchange(file_, nullptr), path_);
    try {
        renameFile(temp_, path_);
    } catch (const Error& e) {
        throw namingTarget(e, temp_, path_);
    }
    temp_.clear();
    if (flushedAtOnce(path_)) {
        syncDirectoryQuietly(path_.parent_path()); // the new file is in place
    }
}

UnflushedFolder::UnflushedFolder(fs::path folder) : folder_(folder.lexically_normal()) {
    const std::lock_guard<std::mutex> lock(gHookMutex);
    gUnflushedFolders.push_back(folder_);
}

UnflushedFolder::~UnflushedFolder() {
    const std::lock_guard<std::mutex> lock(gHookMutex);
    const auto it = std::find(gUnflushedFolders.begin(), gUnflushedFolders.end(), folder_);
    if (it != gUnflushedFolders.end()) {
        gUnflushedFolders.erase(it);
    }
}

void flushFile(const fs::path& path) {
    countOperation("escribir", path);
#ifdef _WIN32
    // FlushFileBuffers wants a handle that may write.
    const HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throwFileError("escribir", path, errnoOf(GetLastError()));
    }
    const bool flushed = FlushFileBuffers(h) != 0;
    const DWORD error = GetLastError();
    CloseHandle(h);
    if (!flushed) {
        throwFileError("escribir", path, errnoOf(error));
    }
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        throwFileError("escribir", path, errno);
    }
    const int failed = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (failed != 0) {
        throwFileError("escribir", path, error);
    }
#endif
}

void renameFile(const fs::path& from, const fs::path& to) {
    countOperation("renombrar", from);
    int error = 0;
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = errnoOf(GetLastError());
    }
#else
    std::error_code ec;
    fs::rename(from, to, ec);
    error = ec ? ec.value() : 0;
#endif
    if (error == 0) {
        return;
    }
    // A directory in the way is the fault of the name the user knows, not of
    // the file on its way there (Windows answers "access denied" for it).
    if (isDirectory(to) && !isDirectory(from)) {
        throwFileError("sustituir", to, EISDIR);
    }
#ifdef _WIN32
    // Windows will not replace a file that another program holds open, and
    // calls it "access denied": the way out is to close it there.
    if ((error == EACCES || error == EPERM) && isRegularFile(to)) {
        throw Error::file("sustituir", to,
                          reasonText(error) +
                              " (si otro programa lo tiene abierto, ciérrelo y vuelva a intentarlo)");
    }
#endif
    throwFileError("renombrar", from, error);
}

void syncDirectory(const fs::path& directory) {
    const fs::path dir = directory.empty() ? fs::path(".") : directory;
    // Counted as a writing of the directory, with no crash point: it changes
    // no file, so a crash just before it is a crash just after the operation
    // before it.
    countWithoutCrashPoint("escribir", dir);
#ifdef _WIN32
    // MoveFileEx writes the renamed entry through, but a deletion is only
    // logged. Windows documents no flush of a directory; NTFS flushes one
    // opened for writing, and a file system that refuses leaves its entries
    // to its own log, as on POSIX systems that cannot flush a directory.
    const HANDLE h = CreateFileW(dir.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(h);
        CloseHandle(h);
    }
#else
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return; // a directory that cannot be opened cannot be flushed either; the rename stands
    }
    const int failed = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot flush a directory at all (EINVAL, ENOSYS, ...):
    // their entries are written as they change. Only a failing disk is an error.
    if (failed != 0 && error == EIO) {
        throwFileError("escribir", dir, error);
    }
#endif
}

bool syncDirectoryQuietly(const fs::path& directory) noexcept {
    try {
        syncDirectory(directory);
        return true;
    } catch (const Error&) {
        return false;
    }
}

std::vector<std::string> listDirectory(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    const fs::directory_iterator end;
    while (!ec && it != end) {
        names.push_back(toUtf8(it->path().filename()));
        it.increment(ec);
    }
    if (ec) {
        throw Error("No se puede leer el directorio «" + toUtf8(directory) + "»: " + reasonText(ec.value()) +
                    ".");
    }
    return names;
}

namespace {

// Removes a file or an empty directory, read-only or not.
void removeEntry(const fs::path& path, std::error_code& ec) {
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
}

} // namespace

void removeFile(const fs::path& path) {
    countOperation("borrar", path);
    std::error_code ec;
    removeEntry(path, ec);
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

namespace {

// Creates the directory; the reason it could not, or 0.
int tryCreateDirectory(const fs::path& path) {
    try {
        countOperation("crear", path);
    } catch (const Error&) {
        return EIO; // an injected failure reads as a real one: of a directory
    }
    std::error_code ec;
    if (!fs::create_directory(path, ec)) {
        return ec ? ec.value() : EEXIST;
    }
    return 0;
}

} // namespace

void createDirectory(const fs::path& path) {
    if (const int error = tryCreateDirectory(path); error != 0) {
        throw Error("No se puede crear el directorio «" + toUtf8(path) + "»: " + reasonText(error) + ".");
    }
}

fs::path createUniqueDirectory(const fs::path& parent, std::string_view prefix) {
    for (int attempt = 0;; ++attempt) {
        const fs::path candidate = parent / fromUtf8(std::string(prefix) + randomHex());
        {
            const std::lock_guard<std::mutex> lock(gHookMutex);
            if (gTemporaryNameHook) {
                gTemporaryNameHook(candidate);
            }
        }
        const int error = tryCreateDirectory(candidate);
        if (error == 0) {
            return candidate;
        }
        std::error_code ec;
        if (attempt >= 7 || !fs::exists(fs::symlink_status(candidate, ec))) {
            // Only a name already taken is worth another try. The folder is
            // the program's own: the user knows the directory it goes in.
            throw Error("No se puede crear la carpeta «" + toUtf8(candidate.filename()) +
                        "» en el directorio «" + toUtf8(parent) + "»: " + reasonText(error) + ".");
        }
    }
}

bool removeTreeQuietly(const fs::path& path) noexcept {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status)) {
        return status.type() == fs::file_type::not_found;
    }
    if (fs::is_directory(status)) {
        // Entry by entry, so that the crash mode can stop it half-way.
        fs::directory_iterator it(path, ec);
        const fs::directory_iterator end;
        std::vector<fs::path> entries;
        while (!ec && it != end) {
            entries.push_back(it->path());
            it.increment(ec);
        }
        for (const fs::path& entry : entries) {
            removeTreeQuietly(entry);
        }
    }
    crashPoint();
    removeEntry(path, ec);
    return !ec;
}

void FaultInjection::failOperation(long k) {
    gOperations = 0;
    gTriggered = false;
    gFailFrom = false;
    gFailAt = k;
}

void FaultInjection::failFrom(long k) {
    failOperation(k);
    gFailFrom = true;
}

void FaultInjection::onTemporaryName(std::function<void(const fs::path&)> hook) {
    const std::lock_guard<std::mutex> lock(gHookMutex);
    gTemporaryNameHook = std::move(hook);
}

void FaultInjection::disarm() {
    gFailAt = 0;
    gFailFrom = false;
    const std::lock_guard<std::mutex> lock(gHookMutex);
    gTemporaryNameHook = nullptr;
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
