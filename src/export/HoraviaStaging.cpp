#include "export/HoraviaStaging.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "files/JournaledCommit.h"
#include "files/TableLock.h"
#include "run/HoraviaRecovery.h"

namespace vinculor::exporting {

namespace fs = std::filesystem;

namespace {

std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return s;
}

// The names of a table's files in `dir`, in whatever letter case they were written.
std::vector<std::string> tableFiles(const fs::path& dir, const std::string& table) {
    std::vector<std::string> found;
    for (const std::string& name : files::listDirectory(dir)) {
        const std::string key = upper(name);
        if ((key == table + ".DBF" || key == table + ".MDX") &&
            files::isRegularFile(dir / files::fromUtf8(name))) {
            found.push_back(name);
        }
    }
    return found;
}

bool commitUnfinished(const fs::path& dir) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(dir / files::JournaledCommit::kJournalName, ec));
}

} // namespace

HoraviaStaging::HoraviaStaging(fs::path horaviaDir) : horaviaDir_(std::move(horaviaDir)) {
    std::error_code ec;
    if (!fs::exists(horaviaDir_, ec)) {
        throw Error("No existe el directorio de Horavia «" + files::toUtf8(horaviaDir_) + "».");
    }
    if (!fs::is_directory(horaviaDir_, ec)) {
        throw Error("«" + files::toUtf8(horaviaDir_) +
                    "» no es un directorio: no puede ser el directorio de Horavia.");
    }
    staging_ = files::createUniqueDirectory(horaviaDir_, kStagingFolderPrefix);
}

HoraviaStaging::~HoraviaStaging() {
    // A commit whose undo failed keeps the new tables for the next run's recovery.
    if (!commitUnfinished(horaviaDir_)) {
        files::removeTreeQuietly(staging_);
    }
}

void HoraviaStaging::commit(const std::vector<std::string>& tables, const std::vector<std::string>& removed) {
    std::vector<std::string> replaced = tables;
    replaced.insert(replaced.end(), removed.begin(), removed.end());
    std::vector<std::string> oldFiles;
    for (const std::string& table : replaced) {
        for (const std::string& name : tableFiles(horaviaDir_, table)) {
            if (upper(name).ends_with(".DBF")) {
                // A table the timetabling program has open must not be replaced under it.
                TableLock::acquire(horaviaDir_ / files::fromUtf8(name), table).release();
            }
            oldFiles.push_back(name);
        }
    }
    std::vector<std::pair<std::string, std::string>> newFiles;
    for (const std::string& table : tables) {
        for (const std::string& name : tableFiles(staging_, table)) {
            newFiles.emplace_back(name, upper(name));
        }
    }

    const fs::path aside = files::createUniqueDirectory(horaviaDir_, kAsideFolderPrefix);
    try {
        files::JournaledCommit::run(horaviaDir_, files::toUtf8(staging_.filename()),
                                    files::toUtf8(aside.filename()), oldFiles, newFiles);
    } catch (...) {
        if (!commitUnfinished(horaviaDir_)) {
            files::removeTreeQuietly(aside);
        }
        throw;
    }
}

} // namespace vinculor::exporting
