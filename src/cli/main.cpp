#include "cli/Cli.h"
#include "run/ProgramArguments.h"

#include <iostream>
#include <optional>

#ifdef _WIN32
#include "cli/ConsoleStreamBuffer.h"

#include <fcntl.h>
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace {

#ifdef _WIN32

// Standard output or error as Windows hands it over. A console is written in
// UTF-16; a file or a pipe gets the program's bytes unchanged, in binary
// mode, so that no CR is put before each LF (the CSV table ends its lines
// with CR LF itself, and the output matches the other systems').
class StandardStream {
public:
    StandardStream(DWORD which, std::FILE* file, std::ostream& bytes) : stream_(&bytes) {
        const HANDLE handle = GetStdHandle(which);
        DWORD mode = 0;
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
            bytes.flush();
            buffer_.emplace([handle](std::u16string_view text) {
                DWORD written = 0;
                WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(text.data()),
                              static_cast<DWORD>(text.size()), &written, nullptr);
            });
            console_.emplace(&*buffer_);
            stream_ = &*console_;
        } else {
            _setmode(_fileno(file), _O_BINARY);
        }
    }
    ~StandardStream() { stream_->flush(); }
    StandardStream(const StandardStream&) = delete;
    StandardStream& operator=(const StandardStream&) = delete;

    std::ostream& stream() { return *stream_; }

private:
    std::optional<vinculor::cli::ConsoleStreamBuffer> buffer_;
    std::optional<std::ostream> console_;
    std::ostream* stream_;
};

#endif

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments = vinculor::programArguments(argc, argv);
    std::vector<char*> pointers = vinculor::argumentPointers(arguments);
    const int count = static_cast<int>(arguments.size());
#ifdef _WIN32
    StandardStream out(STD_OUTPUT_HANDLE, stdout, std::cout);
    StandardStream err(STD_ERROR_HANDLE, stderr, std::cerr);
    return vinculor::cli::run(count, pointers.data(), out.stream(), err.stream());
#else
    return vinculor::cli::run(count, pointers.data(), std::cout, std::cerr);
#endif
}
