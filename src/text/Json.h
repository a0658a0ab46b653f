#pragma once

#include <string>
#include <string_view>

namespace vinculor::json {

// A JSON string literal, quotes included, for UTF-8 text.
std::string quote(std::string_view utf8);

} // namespace vinculor::json
