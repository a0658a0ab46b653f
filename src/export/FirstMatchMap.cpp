#include "export/FirstMatchMap.h"

namespace vinculor::exporting {

FirstMatchMap::FirstMatchMap(const XmlFamilies& doc, std::string_view path) {
    for (const XmlNode& element : doc.selectNodes(path)) {
        names_.try_emplace(attr(element, coded::Codigo), attr(element, coded::Denominacion));
    }
}

const std::string_view* FirstMatchMap::find(std::string_view code) const {
    const auto it = names_.find(code);
    return it == names_.end() ? nullptr : &it->second;
}

} // namespace vinculor::exporting
