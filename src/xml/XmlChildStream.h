#pragma once

#include "xml/XmlEncoding.h"
#include "xml/XmlReader.h"

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace vinculor {

namespace files {
class AtomicFileWriter;
}

struct XmlAttribute {
    std::string_view name;
    std::string_view value;
};

// Writes a document whose bulk is the children of one element, as they come,
// in batches, without holding them: first what `outside` keeps of the document
// it replaces (one item a line), then the root element with its attributes,
// holding the one element `parent`, whose children are appended. The file is
// in the encoding that `outside` declares (UTF-8 without a declaration, with a
// byte order mark where the file read had one), indented by two spaces, each
// element on its own line, as:
//
//   <Centro Codigo="1">
//     <horario>
//       <actividad tipo="CCM" />
//     </horario>
//   </Centro>
//
// The file is replaced only by finish(); a stream destroyed unfinished leaves
// it as it was.
class XmlChildStream {
public:
    XmlChildStream(const XmlOutside& outside, std::string_view root,
                   std::initializer_list<XmlAttribute> rootAttributes, std::string_view parent,
                   std::filesystem::path path);
    ~XmlChildStream();
    XmlChildStream(const XmlChildStream&) = delete;
    XmlChildStream& operator=(const XmlChildStream&) = delete;

    // A new last child of the parent: an element without children, with these
    // attributes in this order.
    void append(std::string_view name, std::initializer_list<XmlAttribute> attributes);

    // For a writer that lays out its children itself, with the texts it
    // repeats encoded once. encoded(): UTF-8 text in the file's encoding.
    // value(): an attribute value as the file holds it, escaped and encoded:
    // the text itself where nothing needs either, else made in `scratch`;
    // `replaced` tells whether a character was replaced (see replacedValues).
    // appendEncoded(): a new last child, its line given as pieces already in
    // the file's encoding, with the number of its values that had a character
    // replaced.
    std::string encoded(std::string_view utf8) const;
    std::string_view value(std::string_view utf8, std::string& scratch, bool& replaced) const;
    void appendEncoded(std::span<const std::string_view> line, std::size_t replacedValues);
    void finish();
    std::size_t count() const { return count_; }
    // Attribute values that held a character XML 1.0 cannot carry (a control
    // character other than tab, line feed and carriage return, NUL among
    // them): each such character was written as "?", and the rest of the
    // value kept.
    std::size_t replacedValues() const { return replacedValues_; }

private:
    // At least `bytes` of free room at the end of the batch, flushing it first if needed.
    char* room(std::size_t bytes);
    // Counts a child whose `bytes` were written into room().
    void wrote(std::size_t bytes);
    void flush();
    void write(std::string_view utf8, bool start);

    std::filesystem::path path_;
    XmlEncoding encoding_ = XmlEncoding::Utf8;
    bool byteOrderMark_ = false;
    std::size_t count_ = 0;
    std::size_t replacedValues_ = 0;
    std::string prefix_;            // what comes before the first child, until written
    std::string openRoot_;          // the root's start tag line
    std::string root_;              // the root's name
    std::string parent_;            // the parent's name
    std::unique_ptr<char[]> batch_; // the children not yet written, in the file's encoding
    std::size_t batchSize_ = 0;
    std::size_t used_ = 0;
    std::string line_; // append()'s
    std::unique_ptr<files::AtomicFileWriter> file_;
};

} // namespace vinculor
