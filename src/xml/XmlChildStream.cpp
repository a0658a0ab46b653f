#include "xml/XmlChildStream.h"

#include "files/FileSystem.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vinculor {

namespace {

constexpr std::size_t kBatchBytes = std::size_t{1} << 20;
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
    pending_.reserve(kBatchBytes + 4096);
}

XmlChildStream::~XmlChildStream() = default;

void XmlChildStream::append(std::string_view name, std::initializer_list<XmlAttribute> attributes) {
    // The line is written straight into place: indentation, "<name",
    // ' name="value"' per attribute and " />". A value with a byte to escape
    // sends the line through the escaping path instead.
    std::size_t length = kChildIndent.size() + 1 + name.size() + 4;
    for (const XmlAttribute& a : attributes) {
        length += a.name.size() + a.value.size() + 4;
    }
    const std::size_t start = pending_.size();
    pending_.resize(start + length);
    char* out = pending_.data() + start;
    const auto put = [&](std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        out += text.size();
    };
    put(kChildIndent);
    *out++ = '<';
    put(name);
    bool plain = true;
    for (const XmlAttribute& a : attributes) {
        *out++ = ' ';
        put(a.name);
        *out++ = '=';
        *out++ = '"';
        for (const char c : a.value) {
            plain &= !kEscaped[static_cast<unsigned char>(c)];
            *out++ = c;
        }
        *out++ = '"';
    }
    put(" />\n");
    if (!plain) {
        pending_.resize(start);
        pending_ += kChildIndent;
        pending_ += '<';
        pending_ += name;
        replacedValues_ += appendAttributes(pending_, attributes);
        pending_ += " />\n";
    }
    if (encoding_ != XmlEncoding::Utf8) {
        const std::string line = encodeXmlText(std::string_view(pending_).substr(start), encoding_, false);
        pending_.resize(start);
        pending_ += line;
    }
    ++count_;
    if (pending_.size() >= kBatchBytes) {
        flush();
    }
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
    const std::size_t start = pending_.size();
    pending_.resize(start + length);
    char* out = pending_.data() + start;
    for (const std::string_view piece : line) {
        out = std::copy_n(piece.data(), piece.size(), out);
    }
    replacedValues_ += replacedValues;
    ++count_;
    if (pending_.size() >= kBatchBytes) {
        flush();
    }
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
    file_->write(pending_); // in the file's encoding already
    pending_.clear();
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
    std::string().swap(pending_); // what comes after the run needs the room more
}

} // namespace vinculor
