#include "timetable/HtmlWriter.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace vinculor::timetable {

char* writeEscaped(char* out, std::string_view text) {
    const auto put = [&](std::string_view reference) {
        std::memcpy(out, reference.data(), reference.size());
        out += reference.size();
    };
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&':
            put("&amp;");
            break;
        case '<':
            put("&lt;");
            break;
        case '>':
            put("&gt;");
            break;
        case '"':
            put("&quot;");
            break;
        case '\'':
            put("&#39;");
            break;
        case '\t':
        case '\n':
        case '\r':
            *out++ = ' '; // a text never breaks the lines of the markup around it
            break;
        default:
            if (c >= 32 && c != 127) {
                *out++ = ch;
            }
            break;
        }
    }
    return out;
}

std::size_t escapedSize(std::string_view text) {
    // What each byte adds to or takes from the text's length, as writeEscaped() writes it.
    static constexpr auto kChange = [] {
        std::array<std::int8_t, 256> change{};
        for (int c = 0; c < 32; ++c) {
            change[static_cast<std::size_t>(c)] = c == '\t' || c == '\n' || c == '\r' ? 0 : -1;
        }
        change[127] = -1;
        change['&'] = 4;
        change['\''] = 4;
        change['<'] = 3;
        change['>'] = 3;
        change['"'] = 5;
        return change;
    }();
    std::ptrdiff_t size = static_cast<std::ptrdiff_t>(text.size());
    for (const char ch : text) {
        size += kChange[static_cast<unsigned char>(ch)];
    }
    return static_cast<std::size_t>(size);
}

void appendEscaped(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.resize(start + text.size() * kMaxEscapedBytes);
    out.resize(static_cast<std::size_t>(writeEscaped(out.data() + start, text) - out.data()));
}

EscapedText::EscapedText(std::string_view text) {
    appendEscaped(html_, text);
}

HtmlWriter::HtmlWriter(Sink sink, std::size_t pieceBytes)
    : sink_(std::move(sink)), pieceBytes_(pieceBytes), buffer_(pieceBytes + 4096) {}

void HtmlWriter::makeRoom(std::size_t bytes) {
    flush();
    if (bytes > buffer_.size()) {
        buffer_.resize(bytes);
    }
}

HtmlWriter& HtmlWriter::text(std::string_view text) {
    commit(writeEscaped(reserve(text.size() * kMaxEscapedBytes), text));
    return *this;
}

HtmlWriter& HtmlWriter::number(std::size_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    return markup(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void HtmlWriter::flush() {
    if (used_ > 0) {
        sink_(std::string_view(buffer_.data(), used_));
        used_ = 0;
    }
}

void HtmlWriter::finish() {
    flush();
}

} // namespace vinculor::timetable
