#include "support/TempDir.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vinculor::testing {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    // In memory where the system has a place for it: the program flushes every
    // file it puts in place to the disk, which on a real disk makes the tests
    // that run it hundreds of times slow, and proves nothing more about a
    // process that is killed. TMPDIR, when set, still decides. (Not on
    // Windows, where a POSIX path is no place.)
    auto base = std::filesystem::temp_directory_path();
#ifndef _WIN32
    std::error_code ec;
    if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ec)) {
        base = "/dev/shm";
    }
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            base / ("vinculor-test-" + std::to_string(random()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
    std::filesystem::remove_all(path_, ec);
}

void writeText(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files[std::filesystem::relative(entry.path(), dir).generic_string()] = readText(entry.path());
        } else if (entry.is_directory()) {
            files[std::filesystem::relative(entry.path(), dir).generic_string() + "/"] = "";
        }
    }
    return files;
}

} // namespace vinculor::testing
