#include "export/HoraviaStaging.h"

#include "base/Error.h"
#include "files/FileLookup.h"
#include "files/FileSystem.h"
#include "files/RequireHoraviaDirectory.h"
#include "files/TableLock.h"
#include "text/Ascii.h"

#include <atomic>
#include <random>

namespace vinculor::exporting {

namespace fs = std::filesystem;

namespace {

// The files of a table in `dir`, in whatever letter case they were written.
std::vector<fs::path> tableFiles(const fs::path& dir, const std::string& table) {
    std::vector<fs::path> found = files::findAllCaseInsensitive(dir, table + ".DBF");
    for (fs::path& index : files::findAllCaseInsensitive(dir, table + ".MDX")) {
        found.push_back(std::move(index));
    }
    return found;
}

fs::path uniqueFolder(const fs::path& parent, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return parent / (prefix + std::to_string(random() % 1000000) + "-" + std::to_string(++counter));
}

} // namespace

HoraviaStaging::HoraviaStaging(fs::path horaviaDir) : horaviaDir_(std::move(horaviaDir)) {
    files::requireHoraviaDirectory(horaviaDir_);
    fs::path candidate = uniqueFolder(horaviaDir_, ".vinculor-exportando-");
    files::createDirectory(candidate);
    staging_ = std::move(candidate);
}

HoraviaStaging::~HoraviaStaging() {
    files::removeTreeQuietly(staging_);
}

void HoraviaStaging::commit(const std::vector<std::string>& tables, const std::vector<std::string>& removed) {
    const fs::path aside = uniqueFolder(horaviaDir_, ".vinculor-anterior-");
    files::createDirectory(aside);

    struct Move {
        fs::path from, to;
    };
    std::vector<Move> done;
    const auto move = [&](const fs::path& from, const fs::path& to) {
        files::renameFile(from, to);
        done.push_back({from, to});
    };
    try {
        std::vector<std::string> replaced = tables;
        replaced.insert(replaced.end(), removed.begin(), removed.end());
        for (const std::string& table : replaced) {
            for (const fs::path& old : tableFiles(horaviaDir_, table)) {
                if (text::upperAscii(files::toUtf8(old.extension())) == ".DBF") {
                    // A table the timetabling program has open must not be replaced under it.
                    TableLock::acquire(old, table).release();
                }
                move(old, aside / old.filename());
            }
        }
        for (const std::string& table : tables) {
            for (const fs::path& fresh : tableFiles(staging_, table)) {
                move(fresh, horaviaDir_ / text::upperAscii(files::toUtf8(fresh.filename())));
            }
        }
    } catch (...) {
        // Undo in reverse order; these moves only put back what was just moved.
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            std::error_code ec;
            fs::rename(it->to, it->from, ec);
        }
        files::removeTreeQuietly(aside);
        throw;
    }
    files::removeTreeQuietly(aside);
}

} // namespace vinculor::exporting
