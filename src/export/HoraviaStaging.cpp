#include "export/HoraviaStaging.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "files/JournaledCommit.h"
#include "files/RequireHoraviaDirectory.h"
#include "files/TableLock.h"
#include "run/HoraviaRecovery.h"
#include "text/Ascii.h"

namespace vinculor::exporting {

namespace fs = std::filesystem;

namespace {

// The names of a table's files among the entries of `dir`, in whatever
// letter case they were written.
std::vector<std::string> tableFiles(const fs::path& dir, const std::vector<std::string>& entries,
                                    const std::string& table) {
    std::vector<std::string> found;
    for (const char* extension : {".DBF", ".MDX"}) {
        const std::string file = table + extension;
        for (const std::string& name : entries) {
            if (text::equalsIgnoreAsciiCase(name, file) &&
                files::isRegularFile(dir / files::fromUtf8(name))) {
                found.push_back(name);
            }
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
    // Both directories are read whole, and one that cannot be read ends the
    // commit: read as empty, it would put the old tables aside and bring
    // none in, or none out of the way.
    const std::vector<std::string> inHoravia = files::listDirectory(horaviaDir_);
    const std::vector<std::string> inStaging = files::listDirectory(staging_);
    std::vector<std::string> replaced = tables;
    replaced.insert(replaced.end(), removed.begin(), removed.end());
    std::vector<std::string> oldFiles;
    for (const std::string& table : replaced) {
        for (const std::string& name : tableFiles(horaviaDir_, inHoravia, table)) {
            if (text::upperAscii(name).ends_with(".DBF")) {
                // A table the timetabling program has open must not be replaced under it.
                TableLock::acquire(horaviaDir_ / files::fromUtf8(name), table).release();
            }
            oldFiles.push_back(name);
        }
    }
    std::vector<std::pair<std::string, std::string>> newFiles;
    for (const std::string& table : tables) {
        bool data = false;
        for (const std::string& name : tableFiles(staging_, inStaging, table)) {
            newFiles.emplace_back(name, text::upperAscii(name));
            data = data || text::upperAscii(name).ends_with(".DBF");
        }
        if (!data) {
            throw Error("No se encuentra la tabla nueva " + table + " en «" + files::toUtf8(staging_) +
                        "»: no se ha cambiado ninguna tabla del directorio de Horavia.");
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
