#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// What a document holds outside its root element, and how it was encoded: what
// a document written in its place keeps (XmlChildStream).
struct XmlOutside {
    // The XML declaration, comments, processing instructions and the document
    // type declaration, before and after the root, in order; each in UTF-8 as
    // a saved document writes it (the declaration with double quotes, the
    // document type declaration as it stands in the file).
    std::vector<std::string> items;
    std::string declaredEncoding; // as the declaration names it; empty without one
    bool utf8ByteOrderMark = false;
};

// Receives a document's elements in document order, as the reader meets them.
class XmlVisitor {
public:
    virtual ~XmlVisitor() = default;
    // `attributes` holds name, value, name, value, ... and a null: those of
    // the file, then those that its document type declaration gives by default.
    // Names and values are UTF-8, with entities and character references
    // expanded; they are valid during the call only.
    virtual void startElement(const char* name, const char** attributes) = 0;
    virtual void endElement() = 0;
};

// Reads a whole XML document in one pass with a conforming XML 1.0 parser
// (expat), holding only a small part of the file at a time. Understands UTF-8
// (with or without byte order mark), UTF-16 with byte order mark, US-ASCII,
// ISO-8859-1, ISO-8859-15 and windows-1252. Entities of the internal document
// type declaration are expanded and its attribute defaults applied; their
// expansion is bounded, and external entities are never read. A document
// that is not well-formed, uses another encoding or holds bytes that do not
// fit its encoding throws vinculor::Error naming the file, with the reason,
// line and column; so does a file that cannot be read. An error that the
// visitor throws ends the reading and goes on to the caller.
void readXmlFile(const std::filesystem::path& path, XmlVisitor& visitor, XmlOutside& outside);
void readXmlBytes(std::string_view bytes, const std::string& displayName, XmlVisitor& visitor,
                  XmlOutside& outside);

} // namespace vinculor
