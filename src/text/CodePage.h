#pragma once

#include <string>
#include <string_view>

namespace vinculor::text {

// Whether codePageToUtf8 knows that single-byte code page: 1252 (Windows,
// Western European) and the DOS pages 437, 850, 852 and 858.
bool isKnownCodePage(int codePage);

// Text stored in a single-byte code page, as UTF-8. A page it does not know
// is read as 1252.
std::string codePageToUtf8(std::string_view bytes, int codePage);

} // namespace vinculor::text
