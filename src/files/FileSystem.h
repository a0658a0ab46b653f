#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file layer. Every change the program makes on disk goes through here, so
// that errors speak Spanish and name the file, and so that tests can make any
// single operation fail (FaultInjection) and check that nothing is lost.
namespace vinculor::files {

namespace fs = std::filesystem;

// Paths travel as UTF-8 text inside the program.
fs::path fromUtf8(std::string_view utf8);
std::string toUtf8(const fs::path& path);

bool isRegularFile(const fs::path& path) noexcept;
bool isDirectory(const fs::path& path) noexcept;

// The names of the entries of a directory (not "." and ".."). Throws a Spanish
// error naming the directory when it cannot be read.
std::vector<std::string> listDirectory(const fs::path& directory);

std::string readFile(const fs::path& path);
// Creates or truncates the file and writes `data` to it.
void writeFile(const fs::path& path, std::string_view data);

// THE way to put a whole file in place: writes `data` to a new temporary file
// beside `path`, flushes it to the disk, renames it over `path` and flushes
// the directory. Readers see either the old file or the whole new one, and
// after a crash or a power cut the disk holds one of the two. The temporary
// file is created exclusively (never an existing file, never through a
// symbolic link) under an unpredictable name (see isTemporaryName).
//
// Once the new file is in place, a failing flush of the directory leaves it
// there unconfirmed (MayFail) or is an error (MustSucceed: for a file that
// must be on the disk before anything else is done, a journal).
enum class DirectoryFlush { MayFail, MustSucceed };
void writeFileAtomic(const fs::path& path, std::string_view data,
                     DirectoryFlush flush = DirectoryFlush::MayFail);
// Renames a file, replacing `to`; on Windows written through to the disk.
void renameFile(const fs::path& from, const fs::path& to);
// Flushes a directory's entries (renames, creations, deletions) to the disk.
// A file system that cannot flush a directory is no error; on POSIX systems a
// failing disk is. Windows reports no failure of it.
void syncDirectory(const fs::path& directory);
// The same where a failure is no error: once a change has reached its point
// of no return (the file is in place, the journal is gone), a failing flush
// leaves it unconfirmed and must not have it undone or redone. Returns
// whether the flush was made, for what may only follow a confirmed change.
bool syncDirectoryQuietly(const fs::path& directory) noexcept;

// While one of these lives, the files put in place inside `folder` (by
// writeFileAtomic and AtomicFileWriter) are not flushed to the disk one by
// one, nor is the folder: for a staging folder whose files are rewritten
// many times over and count only once they are moved out of it, by a commit
// that flushes them first (JournaledCommit). A crash before that loses the
// folder, which nobody relies on.
class UnflushedFolder {
public:
    explicit UnflushedFolder(fs::path folder);
    ~UnflushedFolder();
    UnflushedFolder(const UnflushedFolder&) = delete;
    UnflushedFolder& operator=(const UnflushedFolder&) = delete;

private:
    fs::path folder_;
};
// Flushes a file written earlier down to the disk; a failure is an error of
// writing it.
void flushFile(const fs::path& path);

// Whether `name` is that of a temporary file made by this layer for a file
// named `target` (any target when empty): "." target ".vinculor-" 16 hex digits ".tmp".
bool isTemporaryName(std::string_view name, std::string_view target = {});
// Removes the temporary files that interrupted writes of `target` left beside
// it (recognised by their names only); one that cannot be removed stays.
// Returns the paths removed.
std::vector<fs::path> removeStaleTemporaries(const fs::path& target);

// writeFileAtomic for data that comes in pieces: they go to a temporary file
// beside `path`, which commit() flushes and renames over `path`. Until then
// `path` is untouched; destroyed uncommitted, the writer removes its temporary file.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(fs::path path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Each call is one write, however many pieces it takes.
    void write(std::string_view data);
    void write(const std::vector<std::string_view>& pieces);
    // Writing and reading back at a place in the file, for a writer that
    // keeps part of what it writes on disk until it is done.
    void writeAt(std::uint64_t offset, std::string_view data);
    void readAt(std::uint64_t offset, char* out, std::size_t size);
    void commit();

private:
    fs::path path_;
    fs::path temp_;
    std::FILE* file_ = nullptr;
};
void removeFile(const fs::path& path);
// Removes the file if it exists; a failure is ignored. Returns whether the file is gone.
bool removeFileQuietly(const fs::path& path) noexcept;
// Creates a new directory; one that exists already (or a link of that name) is an error.
void createDirectory(const fs::path& path);
// Creates a new directory in `parent` named `prefix` followed by 16
// unpredictable hex digits, and returns its path.
fs::path createUniqueDirectory(const fs::path& parent, std::string_view prefix);
// Removes a directory and everything in it (a symbolic link itself, never
// what it points to), read-only files too; failures are ignored. Returns
// whether it is gone.
bool removeTreeQuietly(const fs::path& path) noexcept;

// Test seam: makes the k-th counted operation (1-based, from the moment of
// arming) fail as a real failure of that operation would. The counted
// operations are the creation, writing, closing, renaming and deletion of files,
// the creation of directories and their flushes (a "writing" of the directory,
// with no crash point before it: it changes no file).
//
// A second mode ends the process abruptly (as kill -9 or a power cut would,
// without flushing or unwinding anything) just before the k-th operation that
// changes the disk, quiet removals of leftovers included: set the environment
// variable VINCULOR_CRASH_AT_OPERATION to k before the program starts.
class FaultInjection {
public:
    static void failOperation(long k);
    // Every counted operation from the k-th on fails.
    static void failFrom(long k);
    // Called with each temporary name just before the file is created, so
    // that a test can put something in its way.
    static void onTemporaryName(std::function<void(const fs::path&)> hook);
    static void disarm();
    // Counted operations since the last arming or reset.
    static long operations();
    static void resetCount();
    // True when the armed failure has been triggered.
    static bool triggered();
    // Calls `watcher`, from whatever thread does it, before each counted
    // operation; an empty one stops. Set and cleared while no run is going.
    static void watch(std::function<void(std::string_view what, const fs::path& path)> watcher);
};

// Called by the table store's own file handling so that it is counted too.
// Throws the error for `what` on `path` when the armed operation is reached.
void countOperation(std::string_view what, const fs::path& path);

// The Spanish text for an errno value ("permiso denegado").
std::string reasonText(int errorNumber);
#ifdef _WIN32
// The errno value closest to a Windows error code (GetLastError()).
int errnoFromWindows(unsigned long error);
#endif

// "No se puede <verb> el archivo «<path>»: <reason>" with the reason in Spanish.
[[noreturn]] void throwFileError(std::string_view verb, const fs::path& path, int errorNumber);

} // namespace vinculor::files
