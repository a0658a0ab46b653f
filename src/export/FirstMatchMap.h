#pragma once

#include "export/ExportContext.h"

#include <string_view>
#include <unordered_map>

namespace vinculor::exporting {

// Code -> name of the first element in document order with that code (exact,
// letter case significant): the look-up of departments and teachings, built
// once per step. It holds views into what the run read of the file.
class FirstMatchMap {
public:
    FirstMatchMap(const XmlFamilies& doc, std::string_view path);
    const std::string_view* find(std::string_view code) const;

private:
    std::unordered_map<std::string_view, std::string_view> names_;
};

} // namespace vinculor::exporting
