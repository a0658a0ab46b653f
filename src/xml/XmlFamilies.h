#pragma once

#include "xml/XmlReader.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// A family of elements to keep from a document: those that an absolute path of
// element names reaches ("/Centro/Materias/Materia"), with the attributes of
// them that the reader needs.
struct XmlFamilySpec {
    std::string path;
    std::vector<std::string> attributes;
};

class XmlFamilies;
struct XmlFamilyStore; // what a reading kept, shared by its nodes

// An element of a kept family; a small value that stays valid while its
// XmlFamilies lives. A default-made node is null.
class XmlNode {
public:
    XmlNode() = default;
    explicit operator bool() const { return store_ != nullptr; }

    // The attribute's text (UTF-8, entities expanded, not trimmed); empty when
    // the element lacks it. Only the attributes that the family keeps can be
    // asked for; any other reads as missing.
    std::string_view attributeView(std::string_view name) const;
    std::string attribute(std::string_view name) const { return std::string(attributeView(name)); }
    bool hasAttribute(std::string_view name) const;
    // The same by the attribute's place in the list that its family asked
    // for, without a search by name; a place beyond the list reads as missing.
    std::string_view attributeAt(std::size_t place) const;

    // The element's place in its family, in document order.
    std::size_t index() const { return index_; }
    // The place, in the nearest kept family that encloses this one, of the
    // element that holds it: for a "/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo"
    // beside "/Centro/Grupos/Grupo", the index of its Grupo. npos when no kept
    // family encloses this one.
    std::size_t owner() const;

private:
    friend class XmlFamilies;
    XmlNode(const XmlFamilyStore* store, std::uint32_t family, std::uint32_t index)
        : store_(store), family_(family), index_(index) {}

    const XmlFamilyStore* store_ = nullptr;
    std::uint32_t family_ = 0;
    std::uint32_t index_ = 0;
};

using XmlNodeList = std::vector<XmlNode>;

// What one streaming pass over a document keeps of it: the elements of the
// families asked for, each with the attributes asked for, in a compact form
// (no tree, nothing else of the document), the name of the root element and
// what lies outside it. The whole document is checked on the way (readXmlFile).
class XmlFamilies {
public:
    XmlFamilies();
    ~XmlFamilies();
    XmlFamilies(XmlFamilies&&) noexcept;
    XmlFamilies& operator=(XmlFamilies&&) noexcept;

    static XmlFamilies read(const std::filesystem::path& file, const std::vector<XmlFamilySpec>& families);
    static XmlFamilies fromBytes(std::string_view bytes, const std::vector<XmlFamilySpec>& families,
                                 const std::string& displayName = "(memoria)");

    // The root element's name; empty before a reading.
    const std::string& rootName() const;
    // The elements of a family asked for, in document order. Asking for a
    // path that was not asked for when reading is a fault of the caller and
    // throws vinculor::Error.
    XmlNodeList selectNodes(std::string_view path) const;
    // The first of them; a null node when there is none.
    XmlNode selectSingleNode(std::string_view path) const;
    const XmlOutside& outside() const;

private:
    std::unique_ptr<XmlFamilyStore> store_;
};

} // namespace vinculor
