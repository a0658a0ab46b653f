#include "export/ExportContext.h"

#include "text/Text.h"

namespace vinculor::exporting {

std::string attr(const XmlNode& node, const char* name) {
    return text::trim(node.attributeView(name));
}

std::string shortenCode(std::string_view code) {
    if (text::length(code) <= 10) {
        return std::string(code);
    }
    return text::left(code, 8) + text::right(code, 2);
}

} // namespace vinculor::exporting
