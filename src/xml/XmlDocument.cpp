#include "xml/XmlDocument.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "text/Text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>

namespace vinculor {

namespace {

enum class Encoding { Utf8, Utf16LE, Utf16BE, Latin1, Windows1252, Unsupported };

std::string asciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return out;
}

Encoding encodingFromName(std::string_view name) {
    const std::string n = asciiLower(text::trim(name));
    if (n.empty() || n == "utf-8" || n == "utf8" || n == "us-ascii" || n == "ascii") {
        return Encoding::Utf8;
    }
    if (n == "iso-8859-1" || n == "iso8859-1" || n == "iso_8859-1" || n == "latin1" || n == "latin-1" ||
        n == "l1" || n == "cp819" || n == "ibm819") {
        return Encoding::Latin1;
    }
    if (n == "windows-1252" || n == "cp1252" || n == "x-cp1252") {
        return Encoding::Windows1252;
    }
    if (n == "utf-16" || n == "utf-16le" || n == "ucs-2") {
        return Encoding::Utf16LE;
    }
    if (n == "utf-16be") {
        return Encoding::Utf16BE;
    }
    return Encoding::Unsupported;
}

// The value of encoding="..." in an XML declaration at the start of `bytes`,
// read as ASCII; empty when there is no declaration or no encoding in it.
std::string declaredEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") {
        return {};
    }
    const std::size_t end = bytes.find("?>");
    const std::string_view decl = bytes.substr(0, end == std::string_view::npos ? 0 : end);
    const std::size_t key = decl.find("encoding");
    if (key == std::string_view::npos) {
        return {};
    }
    std::size_t pos = decl.find_first_of("\"'", key);
    if (pos == std::string_view::npos) {
        return {};
    }
    const char quote = decl[pos];
    const std::size_t close = decl.find(quote, pos + 1);
    if (close == std::string_view::npos) {
        return {};
    }
    return std::string(decl.substr(pos + 1, close - pos - 1));
}

// UTF-16 to UTF-8; false on an unpaired surrogate or an odd byte count.
bool utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& out) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 3 >= bytes.size()) {
                return false;
            }
            const char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        text::appendUtf8(out, cp);
    }
    return true;
}

std::string utf8ToUtf16(std::string_view utf8, bool bigEndian, bool byteOrderMark) {
    std::string out;
    out.reserve(utf8.size() * 2 + 2);
    const auto put = [&](char32_t u) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    if (byteOrderMark) {
        put(0xFEFF);
    }
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = text::decodeUtf8(utf8, pos);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

// UTF-8 to a single-byte encoding; a character it lacks becomes a character reference.
std::string utf8ToSingleByte(std::string_view utf8, bool windows1252) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        const char32_t cp = text::decodeUtf8(utf8, pos);
        if (cp >= 0xA0 && cp <= 0xFF) {
            out += static_cast<char>(cp);
            continue;
        }
        if (windows1252) {
            const std::string single = text::utf8ToCp1252(utf8.substr(start, pos - start));
            if (single != "?") {
                out += single;
                continue;
            }
        } else if (cp >= 0x80 && cp < 0xA0) {
            out += static_cast<char>(cp);
            continue;
        }
        out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
    }
    return out;
}

std::string parseStatusText(pugi::xml_parse_status status) {
    switch (status) {
    case pugi::status_out_of_memory:
        return "no hay memoria suficiente";
    case pugi::status_unrecognized_tag:
        return "etiqueta no reconocida";
    case pugi::status_bad_pi:
        return "declaración XML o instrucción de proceso mal formada";
    case pugi::status_bad_comment:
        return "comentario mal formado";
    case pugi::status_bad_cdata:
        return "sección CDATA mal formada";
    case pugi::status_bad_doctype:
        return "declaración de tipo de documento mal formada";
    case pugi::status_bad_pcdata:
        return "texto mal formado";
    case pugi::status_bad_start_element:
        return "etiqueta de apertura mal formada";
    case pugi::status_bad_attribute:
        return "atributo mal formado";
    case pugi::status_bad_end_element:
        return "etiqueta de cierre mal formada";
    case pugi::status_end_element_mismatch:
        return "la etiqueta de cierre no corresponde a la de apertura";
    case pugi::status_no_document_element:
        return "el documento no tiene elemento raíz";
    default:
        return "error del analizador";
    }
}

// Line and column (1-based, in characters) of a byte offset of a UTF-8 text.
std::string position(std::string_view utf8, std::size_t offset) {
    offset = std::min(offset, utf8.size());
    const std::string_view before = utf8.substr(0, offset);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column =
        1 + text::length(before.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1));
    return "línea " + std::to_string(line) + ", columna " + std::to_string(column);
}

[[noreturn]] void notXml(const std::string& file, const std::string& why) {
    throw Error("El archivo «" + file + "» no es un documento XML válido: " + why + ".");
}

// The second element at the top of the document, if there is one.
pugi::xml_node secondRoot(const pugi::xml_document& doc) {
    bool first = true;
    for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            if (!first) {
                return child;
            }
            first = false;
        }
    }
    return {};
}

std::vector<std::string_view> pathSteps(std::string_view path) {
    if (path.empty() || path.front() != '/') {
        throw Error("Ruta XML no admitida: " + std::string(path));
    }
    std::vector<std::string_view> steps;
    std::size_t pos = 1;
    while (pos <= path.size()) {
        const std::size_t slash = std::min(path.find('/', pos), path.size());
        if (slash == pos) {
            throw Error("Ruta XML no admitida: " + std::string(path));
        }
        steps.push_back(path.substr(pos, slash - pos));
        pos = slash + 1;
    }
    return steps;
}

XmlNodeList select(pugi::xml_node document, std::string_view path) {
    std::vector<pugi::xml_node> current{document};
    std::vector<pugi::xml_node> next;
    for (const std::string_view step : pathSteps(path)) {
        next.clear();
        for (const pugi::xml_node parent : current) {
            for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
                if (child.type() == pugi::node_element && step == child.name()) {
                    next.push_back(child);
                }
            }
        }
        current.swap(next);
    }
    XmlNodeList result;
    result.reserve(current.size());
    for (const pugi::xml_node node : current) {
        result.emplace_back(node);
    }
    return result;
}

XmlNode selectFirst(pugi::xml_node document, std::string_view path) {
    // Depth-first: the first match in document order, without building lists.
    const std::vector<std::string_view> steps = pathSteps(path);
    struct Walker {
        const std::vector<std::string_view>& steps;
        pugi::xml_node find(pugi::xml_node parent, std::size_t depth) const {
            for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
                if (child.type() == pugi::node_element && steps[depth] == child.name()) {
                    if (depth + 1 == steps.size()) {
                        return child;
                    }
                    if (const pugi::xml_node found = find(child, depth + 1)) {
                        return found;
                    }
                }
            }
            return {};
        }
    };
    return XmlNode(Walker{steps}.find(document, 0));
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, std::size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

} // namespace

std::string XmlNode::attribute(std::string_view name) const {
    return node_.attribute(std::string(name).c_str()).value();
}

bool XmlNode::hasAttribute(std::string_view name) const {
    return static_cast<bool>(node_.attribute(std::string(name).c_str()));
}

void XmlNode::setAttribute(std::string_view name, std::string_view value) {
    const std::string key(name);
    pugi::xml_attribute attr = node_.attribute(key.c_str());
    if (!attr) {
        attr = node_.append_attribute(key.c_str());
    }
    attr.set_value(std::string(value).c_str());
}

XmlNode XmlNode::parent() const {
    return XmlNode(node_.parent());
}

XmlNode XmlNode::appendElement(std::string_view name) {
    return XmlNode(node_.append_child(std::string(name).c_str()));
}

XmlNodeList XmlNode::selectNodes(std::string_view path) const {
    return select(node_.root(), path);
}

XmlNode XmlNode::selectSingleNode(std::string_view path) const {
    return selectFirst(node_.root(), path);
}

XmlDocument::XmlDocument() = default;

void XmlDocument::load(const std::filesystem::path& path) {
    parse(files::readFile(path), files::toUtf8(path), [&] { return files::readFile(path); });
}

void XmlDocument::loadFromString(std::string_view bytes, const std::string& displayName) {
    parse(std::string(bytes), displayName, [&] { return std::string(bytes); });
}

void XmlDocument::parse(std::string bytes, const std::string& displayName,
                        const std::function<std::string()>& original) {
    doc_.reset();
    text_.clear();
    loadedWithBom_ = false;

    // The text in UTF-8, from `skip` on: the file's own bytes where they are UTF-8 already.
    std::string utf8;
    std::size_t skip = 0;
    const std::string_view view = bytes;
    if (view.substr(0, 3) == "\xEF\xBB\xBF") {
        loadedWithBom_ = true;
        utf8 = std::move(bytes);
        skip = 3;
    } else if (view.substr(0, 2) == "\xFF\xFE" || view.substr(0, 2) == "\xFE\xFF") {
        if (!utf16ToUtf8(view.substr(2), view[0] == '\xFE', utf8)) {
            notXml(displayName, "el texto UTF-16 está dañado");
        }
    } else {
        const std::string declared = declaredEncoding(view);
        switch (encodingFromName(declared)) {
        case Encoding::Utf8:
            utf8 = std::move(bytes);
            break;
        case Encoding::Latin1:
            utf8 = text::latin1ToUtf8(view);
            break;
        case Encoding::Windows1252:
            utf8 = text::cp1252ToUtf8(view);
            break;
        case Encoding::Utf16LE:
        case Encoding::Utf16BE:
            notXml(displayName,
                   "declara la codificación " + declared + " pero no empieza por su marca de orden de bytes");
        case Encoding::Unsupported:
            throw Error("El archivo «" + displayName + "» usa la codificación «" + declared +
                        "», que no está admitida (se admiten UTF-8, UTF-16, ISO-8859-1 y windows-1252).");
        }
    }
    const std::string_view body = std::string_view(utf8).substr(skip);

    if (std::size_t bad = 0; !text::isValidUtf8(body, &bad)) {
        notXml(displayName,
               "contiene bytes que no corresponden a su codificación (" + position(body, bad) + ")");
    }

    constexpr unsigned flags = pugi::parse_default | pugi::parse_declaration | pugi::parse_pi |
                               pugi::parse_comments | pugi::parse_doctype;
    text_ = std::move(utf8);
    const pugi::xml_parse_result result =
        doc_.load_buffer_inplace(text_.data() + skip, text_.size() - skip, flags, pugi::encoding_utf8);
    std::string why;
    std::ptrdiff_t offset = result.offset;
    if (!result) {
        why = parseStatusText(result.status);
    } else if (const pugi::xml_node second = secondRoot(doc_)) {
        // The parser takes elements after the root as further roots; XML allows one.
        why = "tiene más de un elemento raíz";
        offset = second.offset_debug() - 1; // the offset of its name, after the '<'
    }
    if (!why.empty()) {
        doc_.reset();
        text_.clear();
        // Parsing in place has changed the text: the position is counted in the original.
        std::string again = original();
        if (loadedWithBom_) {
            again.erase(0, 3);
        } else if (again.substr(0, 2) == "\xFF\xFE" || again.substr(0, 2) == "\xFE\xFF") {
            std::string decoded;
            utf16ToUtf8(std::string_view(again).substr(2), again[0] == '\xFE', decoded);
            again = std::move(decoded);
        } else if (const Encoding e = encodingFromName(declaredEncoding(again)); e == Encoding::Latin1) {
            again = text::latin1ToUtf8(again);
        } else if (e == Encoding::Windows1252) {
            again = text::cp1252ToUtf8(again);
        }
        notXml(displayName,
               why + " (" + position(again, static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, offset))) +
                   ")");
    }
}

std::string XmlDocument::encodingName() const {
    const pugi::xml_node first = doc_.first_child();
    if (first.type() == pugi::node_declaration) {
        const std::string declared = text::trim(first.attribute("encoding").value());
        if (!declared.empty() && encodingFromName(declared) != Encoding::Unsupported) {
            return declared;
        }
    }
    return "UTF-8";
}

std::string XmlDocument::encode(std::string_view utf8, bool start) const {
    switch (encodingFromName(encodingName())) {
    case Encoding::Latin1:
        return utf8ToSingleByte(utf8, false);
    case Encoding::Windows1252:
        return utf8ToSingleByte(utf8, true);
    case Encoding::Utf16LE:
        return utf8ToUtf16(utf8, false, start);
    case Encoding::Utf16BE:
        return utf8ToUtf16(utf8, true, start);
    default:
        return start && loadedWithBom_ ? "\xEF\xBB\xBF" + std::string(utf8) : std::string(utf8);
    }
}

std::string XmlDocument::saveToString() const {
    StringWriter writer;
    doc_.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    if (encodingFromName(encodingName()) == Encoding::Utf8 && !loadedWithBom_) {
        return std::move(writer.out);
    }
    return encode(writer.out, true);
}

void XmlDocument::save(const std::filesystem::path& path) const {
    files::writeFileAtomic(path, saveToString());
}

XmlNode XmlDocument::documentElement() const {
    return XmlNode(doc_.document_element());
}

XmlNodeList XmlDocument::selectNodes(std::string_view path) const {
    return select(doc_, path);
}

XmlNode XmlDocument::selectSingleNode(std::string_view path) const {
    return selectFirst(doc_, path);
}

void XmlDocument::removeChild(const XmlNode& child) {
    doc_.remove_child(child.raw());
}

XmlNode XmlDocument::appendElement(std::string_view name) {
    return XmlNode(doc_.append_child(std::string(name).c_str()));
}

namespace {

// Stands for the streamed children while the rest of the document is saved.
constexpr const char* kChildrenMark = "vinculor-hijos-en-flujo";
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

// Text that pugixml writes into an attribute value as it is.
// The bytes that pugixml writes into an attribute value as they are.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 256; ++c) {
        plain[static_cast<std::size_t>(c)] = c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
    }
    return plain;
}();

} // namespace

XmlChildStream::XmlChildStream(XmlDocument& doc, XmlNode parent, std::filesystem::path path)
    : doc_(doc), parent_(parent), path_(std::move(path)) {
    // The document saved with a mark in the children's place gives what goes
    // before them, the indentation of their lines and what follows them.
    StringWriter writer;
    pugi::xml_node mark = parent_.raw().append_child(kChildrenMark);
    doc_.doc_.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    parent_.raw().remove_child(mark);
    const std::string& text = writer.out;
    const std::size_t at = text.rfind("<" + std::string(kChildrenMark) + " />");
    const std::size_t lineEnd = text.find('\n', at);
    if (at == std::string::npos || lineEnd == std::string::npos) {
        throw Error("No se puede preparar la escritura del documento XML.");
    }
    const std::size_t lineStart = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    prefix_ = text.substr(0, lineStart);
    indent_ = text.substr(lineStart, at - lineStart);
    suffix_ = text.substr(lineEnd + 1);
    utf8_ = encodingFromName(doc_.encodingName()) == Encoding::Utf8;
    pending_.reserve(kBatchBytes + 4096);
}

XmlChildStream::~XmlChildStream() = default;

void XmlChildStream::append(std::string_view name, std::initializer_list<XmlAttribute> attributes) {
    // The line as pugixml writes an element without children: indentation,
    // "<name", ' name="value"' per attribute, " />" and a line break. A value
    // that pugixml would escape sends the element through pugixml instead.
    std::size_t length = indent_.size() + 1 + name.size() + 4;
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
    put(indent_);
    *out++ = '<';
    put(name);
    bool plain = true;
    for (const XmlAttribute& a : attributes) {
        *out++ = ' ';
        put(a.name);
        *out++ = '=';
        *out++ = '"';
        for (const char c : a.value) {
            plain &= kPlainBytes[static_cast<unsigned char>(c)];
            *out++ = c;
        }
        *out++ = '"';
    }
    put(" />\n");
    if (!plain) {
        pending_.resize(start);
        appendThroughParser(name, attributes);
        return;
    }
    ++count_;
    if (pending_.size() >= kBatchBytes) {
        flush();
    }
}

void XmlChildStream::appendThroughParser(std::string_view name,
                                         std::initializer_list<XmlAttribute> attributes) {
    pugi::xml_document scratch;
    pugi::xml_node element = scratch.append_child(std::string(name).c_str());
    for (const XmlAttribute& a : attributes) {
        // A character that XML 1.0 cannot carry becomes "?", as the code-page
        // conversion does for one it lacks: the document stays well-formed
        // and the value is never cut short at a NUL.
        std::string value(a.value);
        bool replaced = false;
        for (char& c : value) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                c = '?';
                replaced = true;
            }
        }
        replacedValues_ += replaced ? 1 : 0;
        element.append_attribute(std::string(a.name).c_str()).set_value(value.c_str());
    }
    StringWriter writer;
    element.print(writer, "  ", pugi::format_indent, pugi::encoding_utf8,
                  static_cast<unsigned>(indent_.size() / 2));
    pending_ += writer.out;
    ++count_;
    if (pending_.size() >= kBatchBytes) {
        flush();
    }
}

void XmlChildStream::flush() {
    const auto write = [&](std::string_view utf8, bool start) {
        if (utf8_ && !(start && doc_.loadedWithBom_)) {
            file_->write(utf8);
        } else {
            file_->write(doc_.encode(utf8, start));
        }
    };
    if (!file_) {
        file_ = std::make_unique<files::AtomicFileWriter>(path_);
        write(prefix_, true);
        std::string().swap(prefix_);
    }
    write(pending_, false);
    pending_.clear();
}

void XmlChildStream::finish() {
    if (count_ == 0) {
        // No child: the element is written as an empty one, as save() writes it.
        doc_.save(path_);
        return;
    }
    flush();
    if (utf8_) {
        file_->write(suffix_);
    } else {
        file_->write(doc_.encode(suffix_, false));
    }
    file_->commit();
    file_.reset();
}

} // namespace vinculor
