#pragma once

#include "dbf/DbfFieldCodec.h"
#include "dbf/FieldInfo.h"
#include "text/Ascii.h"

#include <string>
#include <string_view>

namespace vinculor::importing {

// A field's text as Table::getText reads it. A character field known to hold
// ASCII is its own stored bytes; anything else is converted into `scratch`.
inline std::string_view fieldText(const FieldInfo& f, const char* record, bool ascii, std::string& scratch) {
    if (f.type == DbfType::Character && ascii) {
        return storedText(f, record);
    }
    scratch = DbfFieldCodec::text(f, record + f.offset);
    return scratch;
}

// Whether a field's bytes are all ASCII.
inline bool isAscii(const FieldInfo& f, const char* record) {
    return text::isAscii(std::string_view(record + f.offset, static_cast<std::size_t>(f.width)));
}

} // namespace vinculor::importing
