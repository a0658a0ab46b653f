#include "timetable/HtmlWriter.h"

#include <charconv>

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
    std::size_t size = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&':
        case '\'':
            size += 5;
            break;
        case '<':
        case '>':
            size += 4;
            break;
        case '"':
            size += 6;
            break;
        default:
            size += c >= 32 && c != 127 ? 1 : (c == '\t' || c == '\n' || c == '\r' ? 1 : 0);
            break;
        }
    }
    return size;
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
    const std::size_t most = text.size() * kMaxEscapedBytes;
    if (most > buffer_.size() - used_) {
        makeRoom(most);
    }
    used_ = static_cast<std::size_t>(writeEscaped(buffer_.data() + used_, text) - buffer_.data());
    if (used_ >= pieceBytes_) {
        flush();
    }
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
