#pragma once

#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

namespace vinculor::cli {

// Output for a Windows console. The program's text is UTF-8; a console reads
// bytes in its own code page and would garble every accent, so the text goes
// to it as UTF-16 instead (WriteConsoleW, given as `writer`). A character
// split between two writes is held until it is whole; bytes that are not
// UTF-8 show as U+FFFD. Written out at each line's end, on flush and when
// destroyed.
class ConsoleStreamBuffer : public std::streambuf {
public:
    using Writer = std::function<void(std::u16string_view)>;

    explicit ConsoleStreamBuffer(Writer writer);
    ~ConsoleStreamBuffer() override;
    ConsoleStreamBuffer(const ConsoleStreamBuffer&) = delete;
    ConsoleStreamBuffer& operator=(const ConsoleStreamBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    // Writes the whole characters held; with `all`, an unfinished one too (as U+FFFD).
    void writeOut(bool all);

    Writer writer_;
    std::string pending_;
};

} // namespace vinculor::cli
