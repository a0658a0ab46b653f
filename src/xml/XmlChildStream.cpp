#include "xml/XmlChildStream.h"

#include "files/FileSystem.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vinculor {

namespace {

// The children go to the file a megabyte at a time; a line that starts
// before the mark fits in the room beyond it, or makes room for itself.
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;
constexpr std::size_t kBatchSlack = std::size_t{64} << 10;
constexpr std::string_view kChildIndent = "    ";

// The bytes that an attribute value between double quotes cannot hold as they are.
constexpr std::array<bool, 256> kEscaped = [] {
    std::array<bool, 256> escaped{};
    for (int c = 0; c < 0x20; ++c) {
        escaped[static_cast<std::size_t>(c)] = true;
    }
    escaped['&'] = escaped['<'] = escaped['"'] = true;
    return escaped;
}();

// An attribute value between double quotes: '&', '<' and '"' as entity
// references, tab, line feed and carriage return as character references;
// the rest goes as it is, in runs. A character that XML 1.0 cannot carry (any
// other control character, NUL among them) becomes "?", as the code-page
// conversion does for one it lacks: the document stays well-formed and the
// value is never cut short. Returns whether such a character was replaced.
bool appendEscaped(std::string& out, std::string_view value) {
    bool replaced = false;
    std::size_t run = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (!kEscaped[static_cast<unsigned char>(c)]) {
            continue;
        }
        out.append(value.data() + run, i - run);
        run = i + 1;
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (c == '\t' || c == '\n' || c == '\r') {
            out += "&#";
            out += static_cast<char>('0' + c / 10);
            out += static_cast<char>('0' + c % 10);
            out += ';';
        } else {
            out += '?';
            replaced = true;
        }
    }
    out.append(value.data() + run, value.size() - run);
    return replaced;
}

// Returns how many values had a character replaced.
std::size_t appendAttributes(std::string& out, std::initializer_list<XmlAttribute> attributes) {
    std::size_t replaced = 0;
    for (const XmlAttribute& a : attributes) {
        out += ' ';
        out += a.name;
        out += "=\"";
        replaced += appendEscaped(out, a.value) ? 1 : 0;
        out += '"';
    }
    return replaced;
}

// A piece of a line, copied. Most are a few bytes long: as two words that
// may overlap, they take a few instructions and no call.
char* put(char* out, std::string_view piece) {
    const char* from = piece.data();
    const std::size_t n = piece.size();
    if (n >= 8 && n <= 16) {
        std::memcpy(out, from, 8);
        std::memcpy(out + n - 8, from + n - 8, 8);
    } else if (n > 16 && n <= 32) {
        std::memcpy(out, from, 16);
        std::memcpy(out + n - 16, from + n - 16, 16);
    } else if (n >= 4 && n < 8) {
        std::memcpy(out, from, 4);
        std::memcpy(out + n - 4, from + n - 4, 4);
    } else if (n > 32) {
        std::memcpy(out, from, n);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = from[i];
        }
    }
    return out + n;
}

} // namespace

XmlChildStream::XmlChildStream(const XmlOutside& outside, std::string_view root,
                               std::initializer_list<XmlAttribute> rootAttributes, std::string_view parent,
                               std::filesystem::path path)
    : path_(std::move(path)), root_(root), parent_(parent) {
    encoding_ = xmlEncodingFromName(outside.declaredEncoding);
    if (encoding_ == XmlEncoding::Unsupported) {
        encoding_ = XmlEncoding::Utf8;
    }
    byteOrderMark_ = encoding_ == XmlEncoding::Utf8 && outside.utf8ByteOrderMark;
    for (const std::string& item : outside.items) {
        prefix_ += item;
        prefix_ += '\n';
    }
    openRoot_ = '<';
    openRoot_ += root;
    appendAttributes(openRoot_, rootAttributes);
    openRoot_ += ">\n";
}

XmlChildStream::~XmlChildStream() = default;

char* XmlChildStream::room(std::size_t bytes) {
    if (batchSize_ - used_ < bytes) {
        if (used_ > 0) {
            flush();
        }
        if (batchSize_ < bytes) {
            batchSize_ = std::max(bytes, kBatchBytes + kBatchSlack);
            batch_ = std::make_unique_for_overwrite<char[]>(batchSize_);
        }
    }
    return batch_.get() + used_;
}

void XmlChildStream::wrote(std::size_t bytes) {
    used_ += bytes;
    ++count_;
    if (used_ >= kBatchBytes) {
        flush();
    }
}

void XmlChildStream::append(std::string_view name, std::initializer_list<XmlAttribute> attributes) {
    line_ = kChildIndent;
    line_ += '<';
    line_ += name;
    replacedValues_ += appendAttributes(line_, attributes);
    line_ += " />\n";
    if (encoding_ != XmlEncoding::Utf8) {
        line_ = encodeXmlText(line_, encoding_, false);
    }
    std::memcpy(room(line_.size()), line_.data(), line_.size());
    wrote(line_.size());
}

std::string XmlChildStream::encoded(std::string_view utf8) const {
    return encodeXmlText(utf8, encoding_, false);
}

std::string_view XmlChildStream::value(std::string_view utf8, std::string& scratch, bool& replaced) const {
    // Most values have nothing to escape, and ASCII is its own bytes in every
    // encoding but UTF-16: those go as they are.
    bool plain = encoding_ != XmlEncoding::Utf16LE && encoding_ != XmlEncoding::Utf16BE;
    for (const char c : utf8) {
        plain &= !kEscaped[static_cast<unsigned char>(c)] && static_cast<unsigned char>(c) < 0x80;
    }
    replaced = false;
    if (plain) {
        return utf8;
    }
    std::string escaped;
    replaced = appendEscaped(escaped, utf8);
    scratch = encodeXmlText(escaped, encoding_, false);
    return scratch;
}

void XmlChildStream::appendEncoded(std::span<const std::string_view> line, std::size_t replacedValues) {
    std::size_t length = 0;
    for (const std::string_view piece : line) {
        length += piece.size();
    }
    char* out = room(length);
    for (const std::string_view piece : line) {
        out = put(out, piece);
    }
    replacedValues_ += replacedValues;
    wrote(length);
}

void XmlChildStream::write(std::string_view utf8, bool start) {
    if (encoding_ == XmlEncoding::Utf8) {
        if (start && byteOrderMark_) {
            file_->write("\xEF\xBB\xBF");
        }
        file_->write(utf8);
    } else {
        file_->write(encodeXmlText(utf8, encoding_, start));
    }
}

void XmlChildStream::flush() {
    if (!file_) {
        file_ = std::make_unique<files::AtomicFileWriter>(path_);
        write(prefix_ + openRoot_ + "  <" + parent_ + ">\n", true);
        std::string().swap(prefix_);
    }
    file_->write(std::string_view(batch_.get(), used_)); // in the file's encoding already
    used_ = 0;
}

void XmlChildStream::finish() {
    if (count_ == 0) {
        // No child: the parent is written as an empty element.
        file_ = std::make_unique<files::AtomicFileWriter>(path_);
        write(prefix_ + openRoot_ + "  <" + parent_ + " />\n</" + root_ + ">\n", true);
    } else {
        flush();
        write("  </" + parent_ + ">\n</" + root_ + ">\n", false);
    }
    file_->commit();
    file_.reset();
    batch_.reset(); // what comes after the run needs the room more
    batchSize_ = used_ = 0;
}

} // namespace vinculor
