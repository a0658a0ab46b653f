#include "xml/XmlChildStream.h"

#include "files/FileSystem.h"

namespace vinculor {

namespace {

constexpr std::size_t kBatchBytes = std::size_t{1} << 20;
constexpr std::string_view kChildIndent = "    ";

// An attribute value between double quotes: '&', '<' and '"' as entity
// references, control characters as two-digit character references.
void appendEscaped(std::string& out, std::string_view value) {
    for (const char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "&#";
                out += static_cast<char>('0' + c / 10);
                out += static_cast<char>('0' + c % 10);
                out += ';';
            } else {
                out += c;
            }
        }
    }
}

void appendAttributes(std::string& out, std::initializer_list<XmlAttribute> attributes) {
    for (const XmlAttribute& a : attributes) {
        out += ' ';
        out += a.name;
        out += "=\"";
        appendEscaped(out, a.value);
        out += '"';
    }
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
    openRoot_ = "<" + std::string(root);
    appendAttributes(openRoot_, rootAttributes);
    openRoot_ += ">\n";
    pending_.reserve(kBatchBytes + 4096);
}

XmlChildStream::~XmlChildStream() = default;

void XmlChildStream::append(std::string_view name, std::initializer_list<XmlAttribute> attributes) {
    pending_ += kChildIndent;
    pending_ += '<';
    pending_ += name;
    appendAttributes(pending_, attributes);
    pending_ += " />\n";
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
    write(pending_, false);
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
}

} // namespace vinculor
