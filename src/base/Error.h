#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

namespace vinculor {

// What went wrong, for a caller that acts on it rather than showing it.
enum class ErrorKind {
    Other,
    File,    // a file operation failed: path() and cause() say which and why
    InUse,   // another program holds the table or the directory
    Damaged, // a table or index file that cannot be read as one
    Number,  // a text that should be a number and is not
    // A change of files stopped half-way and could not be undone: the old
    // files wait aside, and the next run puts them back.
    KeptAside,
};

// The one error type of the program. Its message is Spanish and is shown to the
// user as it stands; only the front ends catch it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    // "No se puede <verb> el archivo «<path>»: <cause>."; `cause` is Spanish.
    static Error file(std::string verb, std::filesystem::path path, std::string cause) {
        Error e(ErrorKind::File, "No se puede " + verb + " el archivo «" + utf8(path) + "»: " + cause + ".");
        e.verb_ = std::move(verb);
        e.path_ = std::move(path);
        e.cause_ = std::move(cause);
        return e;
    }

    ErrorKind kind() const noexcept { return kind_; }
    // For a file error: the operation, the file and the reason; empty otherwise.
    const std::string& verb() const noexcept { return verb_; }
    const std::filesystem::path& path() const noexcept { return path_; }
    const std::string& cause() const noexcept { return cause_; }

    // The same file error about another file: the one the user knows, where
    // the operation failed on its temporary twin.
    Error aboutFile(const std::filesystem::path& path) const {
        return kind_ == ErrorKind::File ? file(verb_, path, cause_) : *this;
    }

private:
    static std::string utf8(const std::filesystem::path& path) {
        const std::u8string s = path.u8string();
        return std::string(s.begin(), s.end());
    }

    ErrorKind kind_ = ErrorKind::Other;
    std::string verb_;
    std::filesystem::path path_;
    std::string cause_;
};

} // namespace vinculor
