#pragma once

#include <string>
#include <string_view>

namespace vinculor::json {

// A JSON string literal, quotes included, for UTF-8 text. Bytes that are not
// well-formed UTF-8 come out as \ufffd, so that the result is always valid JSON.
std::string quote(std::string_view utf8);

} // namespace vinculor::json
