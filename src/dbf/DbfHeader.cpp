#include "dbf/DbfHeader.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "files/FileSystem.h"

#include <cstdio>
#include <ctime>
#include <optional>

namespace vinculor {

namespace {

using namespace bytes;

constexpr std::size_t kHeader7 = 68;
constexpr std::size_t kDescriptor7 = 48;
constexpr std::size_t kHeader3 = 32;
constexpr std::size_t kDescriptor3 = 32;
constexpr char kTerminator = 0x0D;
constexpr char kLineFeedTerminator = 0x0A;

// Code pages of the level-4 language driver ids of the Latin-alphabet
// languages, Spanish (0x14 for 850, 0x18 for 437) among them.
int codePageOfLanguageId(unsigned id) {
    switch (id) {
    case 0x01: // US
    case 0x09: // Dutch
    case 0x0B: // Finnish
    case 0x0D: // French
    case 0x0F: // German
    case 0x11: // Italian
    case 0x15: // Swedish
    case 0x18: // Spanish
    case 0x19: // English (Britain)
    case 0x1B: // English (US)
        return 437;
    case 0x02: // international
    case 0x0A: // Dutch
    case 0x0E: // French
    case 0x10: // German
    case 0x12: // Italian
    case 0x14: // Spanish
    case 0x16: // Swedish
    case 0x1A: // English (Britain)
    case 0x1D: // French (Canada)
    case 0x25: // Portuguese (Brazil)
    case 0x37: // English (US)
    case 0x55:
        return 850;
    case 0x1F: // Czech
    case 0x22: // Hungarian
    case 0x23: // Polish
    case 0x40: // Romanian
    case 0x64: // Eastern European
        return 852;
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59:
        return 1252;
    default:
        return 0;
    }
}

// Level 7 names its character set in the language driver name: "DBWIN..."
// is code page 1252, "DB" followed by digits names a DOS code page.
int codePageOfDriverName(std::string_view name) {
    if (name.substr(0, 5) == "DBWIN") {
        return 1252;
    }
    if (name.size() >= 5 && name.substr(0, 2) == "DB") {
        int page = 0;
        std::size_t i = 2;
        while (i < name.size() && i < 6 && name[i] >= '0' && name[i] <= '9') {
            page = page * 10 + (name[i] - '0');
            ++i;
        }
        return i >= 5 ? page : 0;
    }
    return 0;
}

class Checker {
public:
    Checker(std::string_view tableName, const std::filesystem::path& path)
        : tableName_(tableName), path_(path) {}

    [[noreturn]] void fail(const std::string& cause) const {
        throw Error(ErrorKind::Damaged, "La tabla " + std::string(tableName_) + " («" + files::toUtf8(path_) +
                                            "») está dañada: " + cause + ".");
    }

private:
    std::string_view tableName_;
    const std::filesystem::path& path_;
};

std::string hexByte(unsigned b) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", b & 0xFFu);
    return buffer;
}

} // namespace

DbfDate DbfDate::today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return DbfDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

DbfHeader DbfHeader::parse(std::string_view image, std::uint64_t fileSize, std::string_view tableName,
                           const std::filesystem::path& path) {
    const Checker check(tableName, path);
    if (fileSize == 0) {
        check.fail("el archivo está vacío");
    }
    if (image.size() < kHeader3 + 1) {
        check.fail("el archivo es demasiado corto para ser una tabla dBase");
    }

    DbfHeader h;
    h.version = static_cast<std::uint8_t>(image[0]);
    // The low three bits give the level; bits 3 and 7 only say that a memo
    // file goes with the table (0x83, 0x8B, 0x8C).
    const unsigned levelBits = h.version & 0x07u;
    if (h.version >= 0x30 && h.version <= 0x32) {
        // Not damaged: another format, with field types and a backlink of its own.
        throw Error("La tabla " + std::string(tableName) + " («" + files::toUtf8(path) +
                    "») es una tabla de Visual FoxPro (byte de versión " + hexByte(h.version) +
                    "), un formato que Vinculor no lee: guárdela como tabla dBase.");
    }
    if ((levelBits != 3 && levelBits != 4) || (h.version & 0x70u) != 0) {
        check.fail("no es una tabla dBase (byte de versión " + hexByte(h.version) + " desconocido)");
    }
    const bool level7 = levelBits == 4;
    const std::size_t fixed = level7 ? kHeader7 : kHeader3;
    const std::size_t descriptor = level7 ? kDescriptor7 : kDescriptor3;
    if (image.size() < fixed + 1) {
        check.fail("la cabecera está incompleta");
    }

    const unsigned month = byteAt(image, 2);
    const unsigned day = byteAt(image, 3);
    if (month > 12 || day > 31) {
        check.fail("no es una tabla dBase (fecha de la cabecera imposible)");
    }

    h.recordCount = le32(image, 4);
    h.headerLength = le16(image, 8);
    h.recordLength = le16(image, 10);
    h.productionIndex = (byteAt(image, 28) & 0x01u) != 0;

    if (h.headerLength < fixed + 1) {
        check.fail("la longitud de la cabecera (" + std::to_string(h.headerLength) + ") es demasiado corta");
    }
    if (h.headerLength > fileSize || h.headerLength > image.size()) {
        check.fail("la cabecera (" + std::to_string(h.headerLength) +
                   " bytes) es más larga que el archivo (" + std::to_string(fileSize) + " bytes)");
    }
    if (h.recordLength == 0) {
        check.fail("la longitud de registro es cero");
    }

    if (level7) {
        h.level = 7;
        const std::string_view driver = image.substr(32, 32);
        const std::size_t end = driver.find('\0');
        h.codePage = codePageOfDriverName(driver.substr(0, end));
    } else {
        const unsigned languageId = byteAt(image, 29);
        h.level = (languageId != 0 || h.version == 0x8B) ? 4 : 3;
        h.codePage = codePageOfLanguageId(languageId);
    }
    if (h.codePage == 0) {
        h.codePage = 1252; // the timetabling program's tables name none or 1252
    }

    // Descriptors run up to the terminator, each wholly inside the header.
    std::size_t pos = fixed;
    std::size_t offset = 1;
    for (;;) {
        if (pos >= h.headerLength) {
            check.fail("la lista de campos no termina dentro de la cabecera");
        }
        // Some writers end the list with a line feed; no field name starts with one.
        if (image[pos] == kTerminator || image[pos] == kLineFeedTerminator) {
            break;
        }
        if (pos + descriptor > h.headerLength) {
            check.fail("la lista de campos no termina dentro de la cabecera");
        }
        const std::string_view d = image.substr(pos, descriptor);
        FieldInfo f;
        const std::size_t nameLength = level7 ? 32 : 11;
        std::string_view name = d.substr(0, nameLength);
        name = name.substr(0, name.find('\0'));
        for (char c : name) {
            const auto u = static_cast<unsigned char>(c);
            if (u <= 32 || u >= 127) {
                check.fail("el nombre de un campo no es válido");
            }
        }
        if (name.empty()) {
            check.fail("un campo no tiene nombre");
        }
        f.name = std::string(name);
        const std::optional<DbfType> type = dbfTypeOf(level7 ? d[32] : d[11]);
        f.width = static_cast<int>(level7 ? byteAt(d, 33) : byteAt(d, 16));
        f.decimals = static_cast<int>(level7 ? byteAt(d, 34) : byteAt(d, 17));
        if (!type) {
            check.fail("el campo " + f.name + " es de un tipo desconocido (" +
                       hexByte(byteAt(d, level7 ? 32 : 11)) + ")");
        }
        f.type = *type;
        const int fixedW = fixedWidth(f.type);
        if (f.width == 0 || (fixedW != 0 && f.width != fixedW)) {
            check.fail("el campo " + f.name + " tiene una anchura imposible (" + std::to_string(f.width) +
                       ")");
        }
        f.offset = static_cast<int>(offset);
        offset += static_cast<std::size_t>(f.width);
        if (offset > h.recordLength) {
            check.fail("los campos no caben en la longitud de registro (" + std::to_string(h.recordLength) +
                       ")");
        }
        f.codePage = h.codePage;
        h.fields.push_back(std::move(f));
        pos += descriptor;
    }
    if (h.fields.empty()) {
        check.fail("la tabla no tiene campos");
    }

    // Sizes in 64 bits: a hostile count must not wrap around.
    const std::uint64_t needed = static_cast<std::uint64_t>(h.headerLength) +
                                 static_cast<std::uint64_t>(h.recordCount) * h.recordLength;
    if (needed > fileSize) {
        const std::uint64_t present = (fileSize - h.headerLength) / h.recordLength;
        check.fail("la cabecera indica " + std::to_string(h.recordCount) +
                   " registros y el archivo solo contiene " + std::to_string(present));
    }
    return h;
}

std::string DbfHeader::buildLevel7(const std::vector<FieldInfo>& fields, bool productionIndex) {
    const std::size_t length = kHeader7 + kDescriptor7 * fields.size() + 1;
    std::string h(length, '\0');
    h[0] = 0x04;
    std::size_t recordLength = 1;
    for (const FieldInfo& f : fields) {
        recordLength += static_cast<std::size_t>(f.width);
    }
    putLe16(h, 8, length);
    putLe16(h, 10, recordLength);
    h[28] = productionIndex ? 0x01 : 0x00;
    // Byte 29 stays 0 at level 7: the language driver name carries the code page.
    const std::string_view driver = "DBWINWE0";
    h.replace(32, driver.size(), driver);
    std::size_t pos = kHeader7;
    for (const FieldInfo& f : fields) {
        h.replace(pos, f.name.size(), f.name);
        h[pos + 32] = letterOf(f.type);
        h[pos + 33] = static_cast<char>(f.width);
        h[pos + 34] = static_cast<char>(f.decimals);
        pos += kDescriptor7;
    }
    h[pos] = kTerminator;
    return h;
}

void DbfHeader::stamp(std::string& headerBytes, const DbfDate& date, std::size_t recordCount,
                      bool productionIndex) {
    headerBytes[1] = static_cast<char>(date.year - 1900);
    headerBytes[2] = static_cast<char>(date.month);
    headerBytes[3] = static_cast<char>(date.day);
    putLe32(headerBytes, 4, recordCount);
    if (productionIndex) {
        headerBytes[28] = static_cast<char>(headerBytes[28] | 0x01);
    } else {
        headerBytes[28] = static_cast<char>(headerBytes[28] & ~0x01);
    }
}

} // namespace vinculor
