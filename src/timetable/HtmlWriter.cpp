#include "timetable/HtmlWriter.h"

#include <charconv>

namespace vinculor::timetable {

void appendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0; // start of the run of bytes that go out as they are
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const char* reference = nullptr;
        switch (c) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        case '\'':
            reference = "&#39;";
            break;
        case '\t':
        case '\n':
        case '\r':
            reference = " "; // a text never breaks the lines of the markup around it
            break;
        default:
            if (c < 32 || c == 127) {
                reference = "";
            }
            break;
        }
        if (reference != nullptr) {
            out.append(text.data() + plain, i - plain);
            out += reference;
            plain = i + 1;
        }
    }
    out.append(text.data() + plain, text.size() - plain);
}

EscapedText::EscapedText(std::string_view text) {
    appendEscaped(html_, text);
}

HtmlWriter::HtmlWriter(Sink sink, std::size_t pieceBytes) : sink_(std::move(sink)), pieceBytes_(pieceBytes) {
    buffer_.reserve(pieceBytes_ + 4096);
}

HtmlWriter& HtmlWriter::text(std::string_view text) {
    appendEscaped(buffer_, text);
    maybeFlush();
    return *this;
}

HtmlWriter& HtmlWriter::number(std::size_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    return markup(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void HtmlWriter::flush() {
    if (!buffer_.empty()) {
        sink_(buffer_);
        buffer_.clear();
    }
}

void HtmlWriter::finish() {
    flush();
}

} // namespace vinculor::timetable
