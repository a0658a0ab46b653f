#include "run/HoraviaRecovery.h"

#include "files/FileSystem.h"
#include "files/JournaledCommit.h"

namespace vinculor {

namespace {

bool hasFolderPrefix(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    for (const char c : name.substr(prefix.size())) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-')) {
            return false;
        }
    }
    return true;
}

} // namespace

bool isLeftoverName(std::string_view name) {
    return hasFolderPrefix(name, kStagingFolderPrefix) || hasFolderPrefix(name, kAsideFolderPrefix) ||
           files::isTemporaryName(name);
}

std::vector<std::string> recoverHoraviaDirectory(const std::filesystem::path& directory) {
    std::vector<std::string> done;
    if (const auto restored = files::JournaledCommit::recover(directory)) {
        std::string line = "Una exportación interrumpida dejó a medias el cambio de las tablas de «" +
                           files::toUtf8(directory) + "»";
        if (restored->empty()) {
            line += ", antes de tocar ninguna: quedan como estaban.";
        } else {
            line += "; vuelven a su sitio las anteriores:";
            for (std::size_t i = 0; i < restored->size(); ++i) {
                line += (i == 0 ? " " : ", ") + (*restored)[i];
            }
            line += ".";
        }
        done.push_back(line);
    }
    // A commit whose last flush failed left its old files aside: they go only
    // once the journal's removal is surely on the disk.
    if (!files::syncDirectoryQuietly(directory)) {
        return done;
    }
    std::vector<std::string> removed;
    for (const std::string& name : files::listDirectory(directory)) {
        if (isLeftoverName(name) && files::removeTreeQuietly(directory / files::fromUtf8(name))) {
            removed.push_back(name);
        }
    }
    if (!removed.empty()) {
        std::string line =
            "Restos de ejecuciones interrumpidas borrados de «" + files::toUtf8(directory) + "»:";
        for (std::size_t i = 0; i < removed.size(); ++i) {
            line += (i == 0 ? " " : ", ") + removed[i];
        }
        done.push_back(line + ".");
    }
    return done;
}

} // namespace vinculor
