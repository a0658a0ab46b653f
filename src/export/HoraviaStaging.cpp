#include "export/HoraviaStaging.h"

#include "base/Error.h"
#include "files/FileLookup.h"
#include "files/FileSystem.h"
#include "files/JournaledCommit.h"
#include "files/RequireHoraviaDirectory.h"
#include "files/TableLock.h"
#include "run/HoraviaRecovery.h"
#include "text/Ascii.h"

namespace vinculor::exporting {

namespace fs = std::filesystem;

namespace {

// The names of a table's files in `dir`, in whatever letter case they were written.
std::vector<std::string> tableFiles(const fs::path& dir, const std::string& table) {
    std::vector<std::string> found;
    for (const char* extension : {".DBF", ".MDX"}) {
        for (const fs::path& file : files::findAllCaseInsensitive(dir, table + extension)) {
            found.push_back(files::toUtf8(file.filename()));
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
    files::requireHoraviaDirectory(horaviaDir_);
    staging_ = files::createUniqueDirectory(horaviaDir_, kStagingFolderPrefix);
    try {
        unflushed_ = std::make_unique<files::UnflushedFolder>(staging_);
    } catch (...) {
        files::removeTreeQuietly(staging_);
        throw;
    }
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
            if (text::upperAscii(name).ends_with(".DBF")) {
                // A table the timetabling program has open must not be replaced under it.
                TableLock::acquire(horaviaDir_ / files::fromUtf8(name), table).release();
            }
            oldFiles.push_back(name);
        }
    }
    std::vector<std::pair<std::string, std::string>> newFiles;
    for (const std::string& table : tables) {
        for (const std::string& name : tableFiles(staging_, table)) {
            newFiles.emplace_back(name, text::upperAscii(name));
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
