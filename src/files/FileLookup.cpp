#include "files/FileLookup.h"

#include "files/FileSystem.h"
#include "text/Ascii.h"

namespace vinculor::files {

namespace fs = std::filesystem;

namespace {

// Calls `found` with each regular file of `directory` named `fileName` in any
// letter case, until it returns false.
template <typename Found> void scan(const fs::path& directory, std::string_view fileName, Found found) {
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) {
        return;
    }
    // Stepped with an error code: a directory that fails half-way is read as
    // far as it goes, never with an untranslated exception.
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (text::equalsIgnoreAsciiCase(toUtf8(it->path().filename()), fileName) &&
            it->is_regular_file(typeError) && !found(it->path())) {
            return;
        }
    }
}

} // namespace

std::optional<fs::path> findCaseInsensitive(const fs::path& directory, std::string_view fileName) {
    std::error_code ec;
    const fs::path exact = directory / fromUtf8(fileName);
    if (fs::is_regular_file(exact, ec)) {
        return exact;
    }
    std::optional<fs::path> result;
    scan(directory, fileName, [&](const fs::path& p) {
        result = p;
        return false;
    });
    return result;
}

std::vector<fs::path> findAllCaseInsensitive(const fs::path& directory, std::string_view fileName) {
    std::vector<fs::path> found;
    scan(directory, fileName, [&](const fs::path& p) {
        found.push_back(p);
        return true;
    });
    return found;
}

} // namespace vinculor::files
