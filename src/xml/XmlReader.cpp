#include "xml/XmlReader.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "text/Text.h"
#include "xml/XmlEncoding.h"

#include <array>
#include <cerrno>
#include <exception>
// expat is built with its DTD support (its default, and the only way it reads
// the internal document type declaration); the header declares the guards
// against entity expansion only when told so.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>
#include <fstream>
#include <memory>

namespace vinculor {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

// The reason of a parser's error, in Spanish.
std::string reasonText(XML_Error code, bool rootSeen) {
    switch (code) {
    case XML_ERROR_NO_MEMORY:
        return "no hay memoria suficiente para leerlo";
    case XML_ERROR_SYNTAX:
        return rootSeen ? "error de sintaxis" : "error de sintaxis antes del elemento raíz";
    case XML_ERROR_NO_ELEMENTS:
        return rootSeen ? "el documento termina antes de cerrar sus elementos"
                        : "el documento no tiene elemento raíz";
    case XML_ERROR_INVALID_TOKEN:
        return "contiene un carácter no permitido, mal colocado o que no corresponde a su codificación";
    case XML_ERROR_UNCLOSED_TOKEN:
        return "el documento termina dentro de una etiqueta o declaración";
    case XML_ERROR_PARTIAL_CHAR:
        return "el documento termina con un carácter incompleto";
    case XML_ERROR_TAG_MISMATCH:
        return "la etiqueta de cierre no corresponde a la de apertura";
    case XML_ERROR_DUPLICATE_ATTRIBUTE:
        return "un elemento repite un atributo";
    case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
        return "hay contenido después del elemento raíz (un documento tiene un solo elemento raíz)";
    case XML_ERROR_PARAM_ENTITY_REF:
        return "usa una entidad de parámetro fuera de la declaración de tipo de documento";
    case XML_ERROR_UNDEFINED_ENTITY:
        return "usa una entidad que no está declarada";
    case XML_ERROR_RECURSIVE_ENTITY_REF:
        return "una entidad se usa a sí misma";
    case XML_ERROR_ASYNC_ENTITY:
        return "el texto de una entidad no está bien formado";
    case XML_ERROR_BAD_CHAR_REF:
        return "una referencia de carácter nombra un carácter no permitido";
    case XML_ERROR_BINARY_ENTITY_REF:
        return "usa como texto una entidad que no es XML";
    case XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF:
        return "el valor de un atributo usa una entidad externa";
    case XML_ERROR_MISPLACED_XML_PI:
        return "la declaración XML no está al principio del documento";
    case XML_ERROR_INCORRECT_ENCODING:
        return "la codificación que declara no corresponde a los bytes del archivo";
    case XML_ERROR_UNCLOSED_CDATA_SECTION:
        return "una sección CDATA queda sin cerrar";
    case XML_ERROR_XML_DECL:
        return "la declaración XML está mal formada";
    case XML_ERROR_PUBLICID:
        return "un identificador público contiene caracteres no permitidos";
    case XML_ERROR_RESERVED_PREFIX_XML:
    case XML_ERROR_RESERVED_PREFIX_XMLNS:
    case XML_ERROR_RESERVED_NAMESPACE_URI:
        return "usa mal un prefijo o espacio de nombres reservado";
#if XML_MAJOR_VERSION > 2 || (XML_MAJOR_VERSION == 2 && XML_MINOR_VERSION >= 4)
    case XML_ERROR_AMPLIFICATION_LIMIT_BREACH:
        return "sus entidades se expanden a un texto desmesurado (se rechaza para no agotar la memoria)";
#endif
    default:
        return std::string("error del analizador XML («") + XML_ErrorString(code) + "»)";
    }
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One reading: the parser, where its events go, and what went wrong.
class Reading {
public:
    Reading(std::string displayName, XmlVisitor& visitor, XmlOutside& outside)
        : parser_(XML_ParserCreate(nullptr)), name_(std::move(displayName)), visitor_(visitor),
          outside_(outside) {
        if (parser_ == nullptr) {
            throw Error("No hay memoria suficiente para leer el archivo «" + name_ + "».");
        }
        outside_ = XmlOutside{};
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Reading::onStart, &Reading::onEnd);
        XML_SetXmlDeclHandler(parser_, &Reading::onDeclaration);
        XML_SetCommentHandler(parser_, &Reading::onComment);
        XML_SetProcessingInstructionHandler(parser_, &Reading::onInstruction);
        // Only to see the document type declaration as it is written; taken
        // away at the root. The expanding form keeps internal entities expanded.
        XML_SetDefaultHandlerExpand(parser_, &Reading::onOther);
        XML_SetEndDoctypeDeclHandler(parser_, &Reading::onDoctypeEnd);
        XML_SetUnknownEncodingHandler(parser_, &Reading::onUnknownEncoding, this);
#if XML_MAJOR_VERSION > 2 || (XML_MAJOR_VERSION == 2 && XML_MINOR_VERSION >= 4)
        // expat's own guard against entity expansion attacks, stated: no more
        // than 100 bytes of expansion per byte of the file once 4 MiB are passed.
        XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser_, 100.0f);
        XML_SetBillionLaughsAttackProtectionActivationThreshold(parser_, 4u << 20);
#endif
    }
    ~Reading() {
        XML_ParserFree(parser_);
    }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

    // Hands the next piece of the file to the parser; `last` with the end of it.
    void feed(const char* data, std::size_t size, bool last) {
        if (XML_Parse(parser_, data, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            fail();
        }
    }

    // Room in the parser's own buffer for the next piece of a file.
    char* buffer(std::size_t size) {
        void* room = XML_GetBuffer(parser_, static_cast<int>(size));
        if (room == nullptr) {
            fail();
        }
        return static_cast<char*>(room);
    }

    void parseBuffer(std::size_t size, bool last) {
        if (XML_ParseBuffer(parser_, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            fail();
        }
    }

    // The first bytes of the file: whether a UTF-8 byte order mark opens it.
    void noteByteOrderMark(std::string_view start) {
        outside_.utf8ByteOrderMark = start.substr(0, 3) == "\xEF\xBB\xBF";
        utf16_ = start.substr(0, 2) == "\xFF\xFE" || start.substr(0, 2) == "\xFE\xFF";
    }

private:
    [[noreturn]] void fail() {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        const XML_Error code = XML_GetErrorCode(parser_);
        if (code == XML_ERROR_UNKNOWN_ENCODING) {
            throw Error("El archivo «" + name_ + "» usa la codificación «" + unknownEncoding_ +
                        "», que no está admitida (se admiten UTF-8, UTF-16, US-ASCII, ISO-8859-1, "
                        "ISO-8859-15 y windows-1252).");
        }
        const std::string reason =
            code == XML_ERROR_INVALID_TOKEN ? invalidTokenReason() : reasonText(code, rootSeen_);
        throw Error("El archivo «" + name_ + "» no es un documento XML válido: " + reason + " (línea " +
                    std::to_string(XML_GetCurrentLineNumber(parser_)) + ", columna " +
                    std::to_string(XML_GetCurrentColumnNumber(parser_) + 1) + ").");
    }

    // Why the parser found no token where it stopped: a byte that the
    // document's encoding does not give, or a character out of place.
    std::string invalidTokenReason() const {
        int offset = 0;
        int size = 0;
        const char* context = XML_GetInputContext(parser_, &offset, &size);
        if (utf16_ || context == nullptr || offset < 0 || offset >= size) {
            return reasonText(XML_ERROR_INVALID_TOKEN, rootSeen_);
        }
        const auto byte = static_cast<unsigned char>(context[offset]);
        bool fits = byte < 0x80;
        if (!fits) {
            const XmlEncoding encoding = xmlEncodingFromName(outside_.declaredEncoding);
            if (encoding == XmlEncoding::Utf8) {
                const std::string_view rest(context + offset, static_cast<std::size_t>(size - offset));
                std::size_t next = 0;
                fits = text::decodeUtf8(rest.substr(0, 4), next) != 0xFFFD || next > 1;
            } else {
                fits = singleByteTable(encoding)[byte] >= 0;
            }
        }
        return fits ? "contiene un carácter no permitido o mal colocado"
                    : "contiene bytes que no corresponden a su codificación";
    }

    // An error of the visitor: kept, and the parser stopped, so that it
    // crosses no C code on its way to the caller.
    void stopWith(std::exception_ptr failure) {
        if (!failure_) {
            failure_ = std::move(failure);
        }
        XML_StopParser(parser_, XML_FALSE);
    }

    static Reading& of(void* data) {
        return *static_cast<Reading*>(data);
    }

    // Runs a handler's work; an error it throws stops the parser and waits
    // for the caller, as stopWith() says.
    template <typename Work> void guarded(Work work) {
        if (failure_) {
            return;
        }
        try {
            work();
        } catch (...) {
            stopWith(std::current_exception());
        }
    }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        Reading& r = of(data);
        r.guarded([&] {
            if (r.depth_++ == 0) {
                r.rootSeen_ = true;
                XML_SetDefaultHandlerExpand(r.parser_, nullptr);
            }
            r.visitor_.startElement(name, attributes);
        });
    }

    static void XMLCALL onEnd(void* data, const XML_Char*) {
        Reading& r = of(data);
        r.guarded([&] {
            --r.depth_;
            r.visitor_.endElement();
        });
    }

    static void XMLCALL onDeclaration(void* data, const XML_Char* version, const XML_Char* encoding,
                                      int standalone) {
        Reading& r = of(data);
        r.guarded([&] {
            if (version == nullptr) {
                return; // the text declaration of an external entity, which is not read
            }
            std::string item = std::string("<?xml version=\"") + version + "\"";
            if (encoding != nullptr) {
                item += std::string(" encoding=\"") + encoding + "\"";
                r.outside_.declaredEncoding = encoding;
                // The mark says UTF-8 and the declaration another encoding:
                // no reader can know which of the two the school's text is
                // in, and a document built from this one would carry the
                // declaration over bytes of the other.
                if (r.outside_.utf8ByteOrderMark && xmlEncodingFromName(encoding) != XmlEncoding::Utf8) {
                    throw Error("El archivo «" + r.name_ +
                                "» no es un documento XML válido: empieza con la marca de UTF-8, pero su "
                                "declaración dice que está en «" +
                                std::string(encoding) + "» (línea 1, columna 1).");
                }
            }
            if (standalone >= 0) {
                item += standalone == 1 ? " standalone=\"yes\"" : " standalone=\"no\"";
            }
            r.outside_.items.push_back(item + "?>");
        });
    }

    static void XMLCALL onComment(void* data, const XML_Char* text) {
        Reading& r = of(data);
        r.guarded([&] {
            if (r.inDoctype_) {
                XML_DefaultCurrent(r.parser_);
            } else if (r.depth_ == 0) {
                r.outside_.items.push_back(std::string("<!--") + text + "-->");
            }
        });
    }

    static void XMLCALL onInstruction(void* data, const XML_Char* target, const XML_Char* text) {
        Reading& r = of(data);
        r.guarded([&] {
            if (r.inDoctype_) {
                XML_DefaultCurrent(r.parser_);
            } else if (r.depth_ == 0) {
                std::string item = std::string("<?") + target;
                if (text != nullptr && *text != '\0') {
                    item += std::string(" ") + text;
                }
                r.outside_.items.push_back(item + "?>");
            }
        });
    }

    // Markup without a handler of its own: here, the pieces of the document
    // type declaration, which is kept as it stands.
    static void XMLCALL onOther(void* data, const XML_Char* text, int length) {
        Reading& r = of(data);
        r.guarded([&] {
            const std::string_view piece(text, static_cast<std::size_t>(length));
            if (r.inDoctype_) {
                r.doctype_ += piece;
            } else if (r.depth_ == 0 && piece == "<!DOCTYPE") {
                r.inDoctype_ = true;
                r.doctype_.clear();
            }
        });
    }

    static void XMLCALL onDoctypeEnd(void* data) {
        Reading& r = of(data);
        r.guarded([&] {
            if (!r.inDoctype_) {
                return;
            }
            r.inDoctype_ = false;
            std::string_view value = r.doctype_;
            while (!value.empty() && isXmlSpace(value.front())) {
                value.remove_prefix(1);
            }
            std::string item = "<!DOCTYPE";
            if (!value.empty()) {
                item += ' ';
                item += value;
            }
            r.outside_.items.push_back(item + '>');
            std::string().swap(r.doctype_);
        });
    }

    static int XMLCALL onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
        Reading& r = of(data);
        const XmlEncoding encoding = xmlEncodingFromName(name);
        if (encoding != XmlEncoding::UsAscii && encoding != XmlEncoding::Latin1 &&
            encoding != XmlEncoding::Windows1252 && encoding != XmlEncoding::Latin9) {
            r.guarded([&] { r.unknownEncoding_ = name; });
            return XML_STATUS_ERROR;
        }
        const std::array<int, 256>& table = singleByteTable(encoding);
        for (std::size_t b = 0; b < 256; ++b) {
            info->map[b] = table[b];
        }
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    }

    XML_Parser parser_;
    std::string name_;
    XmlVisitor& visitor_;
    XmlOutside& outside_;
    std::exception_ptr failure_;
    std::string unknownEncoding_;
    std::string doctype_;
    std::size_t depth_ = 0;
    bool rootSeen_ = false;
    bool inDoctype_ = false;
    bool utf16_ = false;
};

} // namespace

void readXmlFile(const std::filesystem::path& path, XmlVisitor& visitor, XmlOutside& outside) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        files::throwFileError("leer", path, errno != 0 ? errno : ENOENT);
    }
    Reading reading(files::toUtf8(path), visitor, outside);
    bool first = true;
    for (;;) {
        char* room = reading.buffer(kChunkBytes);
        in.read(room, static_cast<std::streamsize>(kChunkBytes));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (in.bad()) {
            files::throwFileError("leer", path, errno != 0 ? errno : EIO);
        }
        if (first) {
            first = false;
            reading.noteByteOrderMark(std::string_view(room, got));
        }
        const bool last = got < kChunkBytes;
        reading.parseBuffer(got, last);
        if (last) {
            return;
        }
    }
}

void readXmlBytes(std::string_view bytes, const std::string& displayName, XmlVisitor& visitor,
                  XmlOutside& outside) {
    Reading reading(displayName, visitor, outside);
    reading.noteByteOrderMark(bytes);
    do {
        const std::string_view piece = bytes.substr(0, kChunkBytes);
        bytes.remove_prefix(piece.size());
        reading.feed(piece.data(), piece.size(), bytes.empty());
    } while (!bytes.empty());
}

} // namespace vinculor
