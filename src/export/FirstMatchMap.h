#pragma once

#include "export/ExportContext.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace vinculor::exporting {

// Code -> name of the first element in document order with that code (exact,
// letter case significant): the look-up of departments and teachings, built
// once per step.
class FirstMatchMap {
public:
    FirstMatchMap(const XmlFamilies& doc, std::string_view path);
    const std::string* find(const std::string& code) const;

private:
    std::unordered_map<std::string, std::string> names_;
};

} // namespace vinculor::exporting
