#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vinculor::timetable {

// Text made safe for HTML, as element content and inside quoted attribute
// values: & < > " ' are written as references, tabs and line breaks as blanks,
// and other control characters are dropped. Worth keeping for a text written often.
class EscapedText {
public:
    EscapedText() = default;
    explicit EscapedText(std::string_view text);
    std::string_view html() const { return html_; }
    bool empty() const { return html_.empty(); }

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
        buffer_ += tags;
        maybeFlush();
        return *this;
    }
    HtmlWriter& text(std::string_view text);
    HtmlWriter& text(const EscapedText& text) { return markup(text.html()); }
    HtmlWriter& number(std::size_t n);
    // Hands what is left to the sink.
    void finish();

private:
    void maybeFlush() {
        if (buffer_.size() >= pieceBytes_) {
            flush();
        }
    }
    void flush();

    Sink sink_;
    std::size_t pieceBytes_;
    std::string buffer_;
};

// Appends the escaped form of `text` to `out`.
void appendEscaped(std::string& out, std::string_view text);

} // namespace vinculor::timetable
