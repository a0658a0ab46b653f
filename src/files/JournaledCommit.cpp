#include "files/JournaledCommit.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "text/Ascii.h"

#include <sstream>

namespace vinculor::files {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeaderLine = "vinculor-diario 1";

struct Journal {
    std::string staging;
    std::string aside;
    std::vector<std::string> oldFiles;
    std::vector<std::pair<std::string, std::string>> newFiles;
};

bool plainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("\t\n\r/\\:\0", 7)) == std::string::npos;
}

std::string serialize(const Journal& j) {
    std::string out =
        std::string(kHeaderLine) + "\npreparado\t" + j.staging + "\napartado\t" + j.aside + "\n";
    for (const std::string& name : j.oldFiles) {
        out += "antiguo\t" + name + "\n";
    }
    for (const auto& [from, to] : j.newFiles) {
        out += "nuevo\t" + from + "\t" + to + "\n";
    }
    return out + "fin\n";
}

std::optional<Journal> parse(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeaderLine) {
        return std::nullopt;
    }
    Journal j;
    bool ended = false;
    while (std::getline(in, line)) {
        if (line == "fin") {
            ended = true;
            break;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            return std::nullopt;
        }
        const std::string kind = line.substr(0, tab);
        std::string rest = line.substr(tab + 1);
        if (kind == "preparado") {
            j.staging = rest;
        } else if (kind == "apartado") {
            j.aside = rest;
        } else if (kind == "antiguo" && plainName(rest)) {
            j.oldFiles.push_back(rest);
        } else if (kind == "nuevo") {
            const std::size_t second = rest.find('\t');
            if (second == std::string::npos) {
                return std::nullopt;
            }
            j.newFiles.emplace_back(rest.substr(0, second), rest.substr(second + 1));
            if (!plainName(j.newFiles.back().first) || !plainName(j.newFiles.back().second)) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!ended || !plainName(j.staging) || !plainName(j.aside)) {
        return std::nullopt;
    }
    return j;
}

bool present(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Puts every old file back where it was, looking at what is where: a new file
// that left the staging folder goes back into it, then every old file that
// is in the set-aside folder comes back (only once every new file is out of
// the way). Returns the first error met; empty when the old files are all back.
// The journal may only go once the directory is flushed after this.
std::string undo(const fs::path& dir, const Journal& j, std::vector<std::string>* restored) {
    std::string firstError;
    const fs::path staging = dir / fromUtf8(j.staging);
    const fs::path aside = dir / fromUtf8(j.aside);
    const auto attempt = [&firstError](const fs::path& from, const fs::path& to) {
        try {
            renameFile(from, to);
            return true;
        } catch (const Error& e) {
            if (firstError.empty()) {
                firstError = e.what();
            }
            return false;
        }
    };
    // A file in a new file's place is that new file unless an old file of
    // that name (letter case aside) is not in the set-aside folder: then it
    // is the old one, not moved yet or already back. A run removes its
    // folders once it takes its change for done or undone, and a power cut
    // may bring the journal back after that: only what is known to be new
    // moves, into a staging folder made anew where it is gone.
    const auto isNewAt = [&](const std::string& placedName) {
        const std::string name = text::upperAscii(placedName);
        for (const std::string& old : j.oldFiles) {
            if (text::upperAscii(old) == name) {
                return present(aside / fromUtf8(old));
            }
        }
        return true;
    };
    for (auto it = j.newFiles.rbegin(); it != j.newFiles.rend(); ++it) {
        const fs::path staged = staging / fromUtf8(it->first);
        const fs::path placed = dir / fromUtf8(it->second);
        if (present(staged) || !present(placed) || !isNewAt(it->second)) {
            continue;
        }
        if (!present(staging)) {
            try {
                createDirectory(staging);
            } catch (const Error& e) {
                return e.what();
            }
        }
        attempt(placed, staged);
    }
    if (!firstError.empty()) {
        // A new file still in an old one's place: putting the old one back now
        // would overwrite it, and the next recovery would take the old file
        // for the new one.
        return firstError;
    }
    for (auto it = j.oldFiles.rbegin(); it != j.oldFiles.rend(); ++it) {
        const fs::path kept = aside / fromUtf8(*it);
        if (present(kept) && attempt(kept, dir / fromUtf8(*it)) && restored != nullptr) {
            restored->insert(restored->begin(), *it);
        }
    }
    return firstError;
}

std::string keptMessage(const fs::path& aside) {
    return "No se han podido devolver a su sitio los archivos anteriores: se guardan en «" + toUtf8(aside) +
           "», y la próxima exportación o importación los devolverá a su sitio.";
}

} // namespace

void JournaledCommit::run(const fs::path& directory, const std::string& stagingFolder,
                          const std::string& asideFolder, const std::vector<std::string>& oldFiles,
                          const std::vector<std::pair<std::string, std::string>>& newFiles) {
    const Journal journal{stagingFolder, asideFolder, oldFiles, newFiles};
    const fs::path journalPath = directory / kJournalName;
    const fs::path staging = directory / fromUtf8(stagingFolder);
    const fs::path aside = directory / fromUtf8(asideFolder);
    for (const auto& [from, to] : newFiles) {
        flushFile(staging / fromUtf8(from));
    }
    syncDirectory(staging);
    try {
        writeFileAtomic(journalPath, serialize(journal), DirectoryFlush::MustSucceed);
        for (const std::string& name : oldFiles) {
            renameFile(directory / fromUtf8(name), aside / fromUtf8(name));
        }
        for (const auto& [from, to] : newFiles) {
            renameFile(staging / fromUtf8(from), directory / fromUtf8(to));
        }
        syncDirectory(aside);
        syncDirectory(staging);
        syncDirectory(directory);
        removeFile(journalPath);
    } catch (const Error& e) {
        const std::string undoError = undo(directory, journal, nullptr);
        if (!undoError.empty()) {
            throw Error(ErrorKind::KeptAside, std::string(e.what()) + " " + keptMessage(aside));
        }
        // The old files are back. The journal goes once that is on the disk;
        // until then it stays, and the next run's recovery finishes the undo.
        if (syncDirectoryQuietly(directory) && !removeFileQuietly(journalPath)) {
            removeFileQuietly(journalPath);
        }
        throw;
    }
    // The commit point is behind: the new files are the directory's, and with
    // the journal gone nothing could put the old ones back. A flush that fails
    // now leaves the change unconfirmed, not undone: after a power cut the
    // journal may be back, so the old files stay where recover() finds them,
    // and the next run removes them once its own flush has made sure.
    if (syncDirectoryQuietly(directory)) {
        removeTreeQuietly(aside);
    }
}

std::optional<std::vector<std::string>> JournaledCommit::recover(const fs::path& directory) {
    const fs::path journalPath = directory / kJournalName;
    if (!present(journalPath)) {
        return std::nullopt;
    }
    std::optional<Journal> journal;
    try {
        journal = parse(readFile(journalPath));
    } catch (const Error&) {
    }
    if (!journal) {
        // Without it the next run would take the folders for leftovers, and
        // one of them may hold the only copy of the old files. Naming them is
        // a help: a directory that cannot be listed still gets the message.
        std::string folders;
        try {
            for (const std::string& name : listDirectory(directory)) {
                if (name.starts_with(".vinculor-") && isDirectory(directory / fromUtf8(name))) {
                    folders += (folders.empty() ? "«" : ", «") + name + "»";
                }
            }
        } catch (const Error&) {
        }
        std::string message = "El diario «" + toUtf8(journalPath) +
                              "» de un cambio de archivos interrumpido está dañado: no se puede saber qué "
                              "archivos devolver a su sitio.";
        if (!folders.empty()) {
            message += " Los archivos de antes del cambio y los nuevos pueden estar en las carpetas " +
                       folders + " de «" + toUtf8(directory) + "»: cópielas antes a otro lugar.";
        }
        throw Error(message +
                    " Después borre el diario, vuelva a exportar desde Pincel-eKade y calcule de nuevo "
                    "el horario en Horavia.");
    }
    std::vector<std::string> restored;
    const fs::path aside = directory / fromUtf8(journal->aside);
    const std::string undoError = undo(directory, *journal, &restored);
    if (!undoError.empty()) {
        throw Error(ErrorKind::KeptAside, "Un cambio de archivos interrumpido quedó a medias en «" +
                                              toUtf8(directory) + "». " + undoError + " " +
                                              keptMessage(aside));
    }
    syncDirectory(directory); // the old files back on the disk before the journal goes
    removeFile(journalPath);
    if (syncDirectoryQuietly(directory)) {
        removeTreeQuietly(aside);
        removeTreeQuietly(directory / fromUtf8(journal->staging));
    }
    return restored;
}

} // namespace vinculor::files
