#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

class XmlNode;
using XmlNodeList = std::vector<XmlNode>;
class XmlChildStream;
namespace files {
class AtomicFileWriter;
}

// An element of an XmlDocument; a small value that stays valid while its
// document lives and the element stays in it. A default-made node is null.
class XmlNode {
public:
    XmlNode() = default;
    explicit XmlNode(pugi::xml_node node) : node_(node) {}

    explicit operator bool() const { return static_cast<bool>(node_); }
    std::string name() const { return node_.name(); }

    // The attribute's text; empty when the element lacks it.
    std::string attribute(std::string_view name) const;
    // The same without a copy: valid while the document lives and the attribute
    // keeps its value.
    std::string_view attributeView(const char* name) const { return node_.attribute(name).value(); }
    bool hasAttribute(std::string_view name) const;
    // Adds the attribute, or replaces its value where it is in place.
    // Attributes keep the order in which they were first set.
    void setAttribute(std::string_view name, std::string_view value);

    XmlNode parent() const;
    // Appends a new element without namespace as the last child.
    XmlNode appendElement(std::string_view name);
    // An absolute path such as "/Centro/Materias/Materia": the same list from
    // any node of the document.
    XmlNodeList selectNodes(std::string_view path) const;
    XmlNode selectSingleNode(std::string_view path) const;

    pugi::xml_node raw() const { return node_; }
    bool operator==(const XmlNode& other) const { return node_ == other.node_; }

private:
    pugi::xml_node node_;
};

// An XML document loaded from a file of the school-administration system, or
// built for it. Loading understands UTF-8 (with or without BOM), UTF-16 with
// BOM, ISO-8859-1 and windows-1252; saving writes the encoding that the kept
// XML declaration names (UTF-8 without one). Everything that lay outside the
// root element (declaration, comments, processing instructions) is kept.
class XmlDocument {
public:
    XmlDocument();
    // The tree points into the document's own text: it stays where it is.
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Parses the whole file. A file that cannot be read or is not well-formed
    // throws vinculor::Error naming the file, with the parser's message, line
    // and column.
    void load(const std::filesystem::path& path);
    void loadFromString(std::string_view bytes, const std::string& displayName = "(memoria)");

    // Writes the whole document, replacing the file in one step (a temporary
    // file renamed over it).
    void save(const std::filesystem::path& path) const;
    std::string saveToString() const;

    XmlNode documentElement() const;
    XmlNodeList selectNodes(std::string_view path) const;
    XmlNode selectSingleNode(std::string_view path) const;
    // Removes a child of the document (the root element, say).
    void removeChild(const XmlNode& child);
    // Appends a new element to the document; without a root it becomes the root.
    XmlNode appendElement(std::string_view name);

    // The encoding a save would write, as the declaration names it ("UTF-8" without one).
    std::string encodingName() const;

private:
    friend class XmlChildStream;

    // The saved form of UTF-8 text in the document's encoding; `start` when it
    // begins the file (a byte order mark goes first).
    std::string encode(std::string_view utf8, bool start) const;

    // Parses the file's bytes, in place where they are UTF-8 already;
    // `original` gives them again, for the position in an error message.
    void parse(std::string bytes, const std::string& displayName,
               const std::function<std::string()>& original);

    // The text that the tree points into: parsing happens in place. Declared
    // before the document, so that it outlives it.
    std::string text_;
    pugi::xml_document doc_;
    bool loadedWithBom_ = false;
};

struct XmlAttribute {
    std::string_view name;
    std::string_view value;
};

// Saves a document whose bulk is the children of one element without holding
// them in the tree: they are written to the file as they come, in batches, and
// the file ends up byte for byte as save() would write it had they been
// appended to the element. The file is replaced only by finish(); a stream
// destroyed unfinished leaves it as it was. The document must not change
// while the stream lives.
class XmlChildStream {
public:
    XmlChildStream(XmlDocument& doc, XmlNode parent, std::filesystem::path path);
    ~XmlChildStream();
    XmlChildStream(const XmlChildStream&) = delete;
    XmlChildStream& operator=(const XmlChildStream&) = delete;

    // A new last child of the parent: an element without children, with these
    // attributes in this order.
    void append(std::string_view name, std::initializer_list<XmlAttribute> attributes);
    void finish();
    std::size_t count() const { return count_; }
    // Attribute values that held a character XML 1.0 cannot carry (a control
    // character other than tab, line feed and carriage return, NUL among
    // them): each such character was written as "?", and the rest of the
    // value kept.
    std::size_t replacedValues() const { return replacedValues_; }

private:
    void flush();
    void appendThroughParser(std::string_view name, std::initializer_list<XmlAttribute> attributes);

    XmlDocument& doc_;
    XmlNode parent_;
    std::filesystem::path path_;
    std::size_t count_ = 0;
    std::size_t replacedValues_ = 0;
    std::string indent_; // before each child's line
    std::string suffix_; // what follows the last child
    std::string pending_;
    std::string prefix_; // what comes before the first child, until written
    bool utf8_ = true;   // the file is UTF-8: the text goes out as it is
    std::unique_ptr<files::AtomicFileWriter> file_;
};

} // namespace vinculor
