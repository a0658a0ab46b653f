#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vinculor::files {

// Replaces a set of files of a directory by another as one change that a
// crash, a power cut or a failing disk cannot leave half done, as a database
// commits a transaction with a rollback journal.
//
// The new files wait in a staging folder inside the directory; an empty
// folder beside it receives the old ones. The protocol:
//   0. Flush the new files and the staging folder: they may have been
//      written without (UnflushedFolder), and once the journal is gone they
//      are the directory's files.
//   1. Write the journal (the two folders, the old and the new file names)
//      to a temporary file, flush it, rename it to ".vinculor-diario" and
//      flush the directory. From here on a crash is undone by recover().
//   2. Move the old files into the set-aside folder, then the new files into
//      the directory; flush the folders and the directory.
//   3. Remove the journal: this is the commit point. Then flush the
//      directory; a flush that fails from here on undoes nothing.
//   4. Once that flush is made, remove the set-aside folder (the staging
//      folder, empty by then, is its owner's to remove); where it failed,
//      the folder stays for the next run to remove after its own flush.
// If a move fails, the moves made are undone in reverse order, and the
// journal goes once the directory is flushed after that. recover() undoes an
// unfinished commit the same way; every step of it looks at what is where, so
// it may itself be interrupted and run again, and it makes the staging folder
// anew where the old files wait aside without it. An undo that fails leaves
// the journal and both folders in place, to be finished by recover().
class JournaledCommit {
public:
    static constexpr const char* kJournalName = ".vinculor-diario";

    // `stagingFolder` and `asideFolder` are names of folders directly inside
    // `directory`; `oldFiles` names files of `directory`; `newFiles` pairs a
    // file of the staging folder with its name in `directory`.
    static void run(const std::filesystem::path& directory, const std::string& stagingFolder,
                    const std::string& asideFolder, const std::vector<std::string>& oldFiles,
                    const std::vector<std::pair<std::string, std::string>>& newFiles);

    // Undoes an unfinished commit found in `directory` and returns the old
    // files that came back (perhaps none); nothing when there was no such
    // commit. Throws, saying where the old files wait, when they cannot be put back.
    static std::optional<std::vector<std::string>> recover(const std::filesystem::path& directory);
};

} // namespace vinculor::files
