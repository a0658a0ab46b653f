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

std::string readFile(const fs::path& path);
// Creates or truncates the file and writes `data` to it.
void writeFile(const fs::path& path, std::string_view data);
// Writes a temporary file beside `path` and renames it over `path`, so that
// readers see either the old file or the whole new one.
void writeFileAtomic(const fs::path& path, std::string_view data);
void renameFile(const fs::path& from, const fs::path& to);

// writeFileAtomic for data that comes in pieces: they go to a temporary file
// beside `path`, which commit() renames over `path`. Until then `path` is
// untouched; destroyed uncommitted, the writer removes its temporary file.
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
void createDirectory(const fs::path& path);
// Removes a directory and everything in it; failures are ignored.
void removeTreeQuietly(const fs::path& path) noexcept;

// Test seam: makes the k-th counted operation (1-based, from the moment of
// arming) fail as a real failure of that operation would. The counted
// operations are the creation, writing, closing, renaming and deletion of files
// and the creation of directories.
class FaultInjection {
public:
    static void failOperation(long k);
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

// "No se puede <verb> el archivo «<path>»: <reason>" with the reason in Spanish.
[[noreturn]] void throwFileError(std::string_view verb, const fs::path& path, int errorNumber);

} // namespace vinculor::files
