#include "cli/ConsoleStreamBuffer.h"

#include <utility>

namespace vinculor::cli {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// The length of the UTF-8 sequence that starts with `lead`, 0 when no sequence
// starts so; and the range its second byte must lie in (which rules out
// overlong forms, surrogates and code points past U+10FFFF).
int sequenceLength(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
        return 4;
    }
    return 0;
}

} // namespace

ConsoleStreamBuffer::ConsoleStreamBuffer(Writer writer) : writer_(std::move(writer)) {}

ConsoleStreamBuffer::~ConsoleStreamBuffer() {
    try {
        writeOut(true);
    } catch (...) {
    }
}

ConsoleStreamBuffer::int_type ConsoleStreamBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char ch = traits_type::to_char_type(c);
    xsputn(&ch, 1);
    return c;
}

std::streamsize ConsoleStreamBuffer::xsputn(const char* s, std::streamsize n) {
    const std::string_view text(s, static_cast<std::size_t>(n));
    pending_ += text;
    if (text.find('\n') != std::string_view::npos || pending_.size() >= 4096) {
        writeOut(false);
    }
    return n;
}

int ConsoleStreamBuffer::sync() {
    writeOut(false);
    return 0;
}

void ConsoleStreamBuffer::writeOut(bool all) {
    std::u16string out;
    std::size_t i = 0;
    while (i < pending_.size()) {
        const auto lead = static_cast<unsigned char>(pending_[i]);
        unsigned char low = 0;
        unsigned char high = 0;
        const int length = sequenceLength(lead, low, high);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (length == 1) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        // How much of the sequence is there and well formed.
        std::size_t valid = 1;
        while (valid < static_cast<std::size_t>(length) && i + valid < pending_.size()) {
            const auto c = static_cast<unsigned char>(pending_[i + valid]);
            const bool ok = valid == 1 ? (c >= low && c <= high) : continuation(c);
            if (!ok) {
                break;
            }
            ++valid;
        }
        if (valid == static_cast<std::size_t>(length)) {
            char32_t code = lead & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < valid; ++k) {
                code = (code << 6) | (static_cast<unsigned char>(pending_[i + k]) & 0x3F);
            }
            appendUtf16(out, code);
            i += valid;
        } else if (i + valid == pending_.size() && !all) {
            break; // the rest of the character is still to come
        } else {
            out += kReplacement;
            i += valid;
        }
    }
    pending_.erase(0, i);
    if (!out.empty()) {
        writer_(out);
    }
}

} // namespace vinculor::cli
