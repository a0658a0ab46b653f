#include "dbf/FieldInfo.h"

namespace vinculor {

std::optional<DbfType> dbfTypeOf(char letter) noexcept {
    switch (letter) {
    case 'C':
    case 'N':
    case 'F':
    case 'L':
    case 'D':
    case 'I':
    case '+':
    case 'O':
    case '@':
    case 'M':
    case 'B':
    case 'G':
        return static_cast<DbfType>(letter);
    default:
        return std::nullopt;
    }
}

bool isNumeric(DbfType type) noexcept {
    switch (type) {
    case DbfType::Numeric:
    case DbfType::Float:
    case DbfType::Integer:
    case DbfType::AutoIncrement:
    case DbfType::Double:
        return true;
    default:
        return false;
    }
}

int fixedWidth(DbfType type) noexcept {
    switch (type) {
    case DbfType::Integer:
    case DbfType::AutoIncrement:
        return 4;
    case DbfType::Double:
    case DbfType::Timestamp:
        return 8;
    default:
        return 0;
    }
}

} // namespace vinculor
