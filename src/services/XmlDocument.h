#pragma once

#include <filesystem>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

class XmlNode;
using XmlNodeList = std::vector<XmlNode>;

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

} // namespace vinculor
