#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor::timetable {

// Text made safe for HTML, as element content and inside quoted attribute
// values: & < > " ' are written as references, tabs and line breaks as blanks,
// and other control characters are dropped. For a text escaped once, to be
// kept or compared with one escaped already.
class EscapedText {
public:
    EscapedText() = default;
    explicit EscapedText(std::string_view text);
    std::string_view html() const { return html_; }

private:
    std::string html_;
};

// Writes an HTML document in pieces to a sink, a large piece at a time. Text
// always goes through escaping; markup() is for the program's own tags.
class HtmlWriter {
public:
    using Sink = std::function<void(std::string_view)>;
    explicit HtmlWriter(Sink sink, std::size_t pieceBytes = std::size_t{1} << 20);
    HtmlWriter(const HtmlWriter&) = delete;
    HtmlWriter& operator=(const HtmlWriter&) = delete;

    HtmlWriter& markup(std::string_view tags) {
        if (tags.size() > buffer_.size() - used_) {
            makeRoom(tags.size());
        }
        std::copy_n(tags.data(), tags.size(), buffer_.data() + used_);
        return wrote(tags.size());
    }
    // The same for a literal: its length known here, the copy takes a few
    // instructions where the other takes a call.
    template <std::size_t N> HtmlWriter& markup(const char (&tags)[N]) {
        if (N - 1 > buffer_.size() - used_) {
            makeRoom(N - 1);
        }
        std::memcpy(buffer_.data() + used_, tags, N - 1);
        return wrote(N - 1);
    }
    HtmlWriter& text(std::string_view text);
    HtmlWriter& text(const EscapedText& text) { return markup(text.html()); }
    // Room for at most `bytes` of markup, written straight into the buffer
    // from the place returned and handed back by commit(end).
    char* reserve(std::size_t bytes) {
        if (bytes > buffer_.size() - used_) {
            makeRoom(bytes);
        }
        return buffer_.data() + used_;
    }
    void commit(const char* end) { wrote(static_cast<std::size_t>(end - (buffer_.data() + used_))); }
    // The same, with all the room the buffer has free (at least `bytes`): a
    // long run of markup asks again only when what is left may not do.
    std::span<char> room(std::size_t bytes) {
        char* at = reserve(bytes);
        return {at, buffer_.size() - used_};
    }
    HtmlWriter& number(std::size_t n);
    // Hands what is left to the sink.
    void finish();

private:
    HtmlWriter& wrote(std::size_t bytes) {
        used_ += bytes;
        if (used_ >= pieceBytes_) {
            flush();
        }
        return *this;
    }
    void makeRoom(std::size_t bytes);
    void flush();

    Sink sink_;
    std::size_t pieceBytes_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// Appends the escaped form of `text` to `out`.
void appendEscaped(std::string& out, std::string_view text);
// Writes the escaped form of `text` at `out`, which has room for
// kMaxEscapedBytes for each byte of it; returns its end.
constexpr std::size_t kMaxEscapedBytes = 6; // "&quot;"
char* writeEscaped(char* out, std::string_view text);
// The bytes that the escaped form of `text` takes.
std::size_t escapedSize(std::string_view text);

} // namespace vinculor::timetable
