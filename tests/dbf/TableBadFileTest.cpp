// Damaged files and files that are not tables: a clear error naming the
// table, and never a read outside the file (this suite also runs under
// AddressSanitizer and UndefinedBehaviorSanitizer).
#include "base/Error.h"
#include "dbf/MdxIndex.h"
#include "dbf/Table.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::TempDir;
using testing::writeText;

const fs::path kReference = fs::path(VINCULOR_REFERENCE_DIR) / "dbase";

// COUNTSES.DBF: 7 records of 15 bytes after a 165-byte header; fields
// DURACION C10 (descriptor at 68) and NSES I (descriptor at 116), terminator at 164.
std::string countses() {
    return readText(kReference / "COUNTSES.DBF");
}

std::string with(std::string s, std::size_t at, std::string_view bytes) {
    s.replace(at, bytes.size(), bytes);
    return s;
}

struct BadFile {
    const char* what;
    std::function<std::string()> bytes;
    const char* cause; // the end of the message
};

void PrintTo(const BadFile& c, std::ostream* os) {
    *os << c.what;
}

class TableBadFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(TableBadFiles, GiveAClearErrorNamingTheTable) {
    const BadFile& c = GetParam();
    TempDir dir;
    writeText(dir / "COUNTSES.DBF", c.bytes());
    Table table(dir.path(), "COUNTSES");
    std::string message = "(no error)";
    try {
        table.open();
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message,
              "La tabla COUNTSES («" + files::toUtf8(dir / "COUNTSES.DBF") + "») está dañada: " + c.cause);
    EXPECT_FALSE(table.isOpen());
    // The failed open holds nothing: the file can be replaced at once.
    EXPECT_NO_THROW(table.create({{"A", FieldType::Integer, 0}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableBadFiles,
    ::testing::Values(
        BadFile{"zero-length file", [] { return std::string(); }, "el archivo está vacío."},
        BadFile{"truncated in the fixed header", [] { return countses().substr(0, 20); },
                "el archivo es demasiado corto para ser una tabla dBase."},
        BadFile{"level-7 header cut short", [] { return countses().substr(0, 50); },
                "la cabecera está incompleta."},
        BadFile{"not a table",
                [] { return std::string("Esto no es una tabla, sino un texto cualquiera.\n"); },
                "no es una tabla dBase (byte de versión 0x45 desconocido)."},
        BadFile{"unknown version byte", [] { return with(countses(), 0, "\x07"); },
                "no es una tabla dBase (byte de versión 0x07 desconocido)."},
        BadFile{"header length past the file", [] { return with(countses(), 8, "\xFF\x7F"); },
                "la cabecera (32767 bytes) es más larga que el archivo (271 bytes)."},
        BadFile{"header length too short", [] { return with(countses(), 8, std::string("\x10\0", 2)); },
                "la longitud de la cabecera (16) es demasiado corta."},
        BadFile{"record count larger than the file",
                [] { return with(countses(), 4, std::string("\x08\0\0\0", 4)); },
                "la cabecera indica 8 registros y el archivo solo contiene 7."},
        BadFile{"record count that would wrap around", [] { return with(countses(), 4, "\xFF\xFF\xFF\xFF"); },
                "la cabecera indica 4294967295 registros y el archivo solo contiene 7."},
        BadFile{"no terminator after the descriptors", [] { return with(countses(), 164, "X"); },
                "la lista de campos no termina dentro de la cabecera."},
        BadFile{"descriptors running past the header length",
                [] { return with(countses(), 8, std::string("\x8C\0", 2)); },
                "la lista de campos no termina dentro de la cabecera."},
        BadFile{"fields longer than the record",
                [] { return with(countses(), 10, std::string("\x0B\0", 2)); },
                "los campos no caben en la longitud de registro (11)."},
        BadFile{"zero record length", [] { return with(countses(), 10, std::string("\0\0", 2)); },
                "la longitud de registro es cero."},
        BadFile{"unknown field type", [] { return with(countses(), 116 + 32, "Z"); },
                "el campo NSES es de un tipo desconocido (0x5A)."},
        BadFile{"integer field of the wrong width", [] { return with(countses(), 116 + 33, "\x02"); },
                "el campo NSES tiene una anchura imposible (2)."},
        BadFile{"field without a name", [] { return with(countses(), 68, std::string(1, '\0')); },
                "un campo no tiene nombre."},
        BadFile{"no fields at all", [] { return with(countses(), 68, "\x0D"); },
                "la tabla no tiene campos."}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

// Headers as other programs write them.
TEST(TableOtherWriters, AFieldListEndedByALineFeedReadsAsTheSameTable) {
    TempDir dir;
    writeText(dir / "COUNTSES.DBF", countses());
    writeText(dir / "LF.DBF", with(countses(), 164, "\x0A"));
    Table original(dir.path(), "COUNTSES");
    Table lineFeed(dir.path(), "LF");
    original.open();
    lineFeed.open();
    ASSERT_EQ(lineFeed.fields().size(), 2u);
    ASSERT_EQ(lineFeed.recordCount(), 7u);
    for (original.first(), lineFeed.first(); !original.eof(); original.next(), lineFeed.next()) {
        EXPECT_EQ(lineFeed.getText("DURACION"), original.getText("DURACION"));
        EXPECT_EQ(lineFeed.getInt("NSES"), original.getInt("NSES"));
    }
}

TEST(TableOtherWriters, AVisualFoxProTableIsRefusedByTheNameOfItsFormat) {
    TempDir dir;
    for (const char version : {'\x30', '\x31', '\x32'}) {
        writeText(dir / "VFP.DBF", with(countses(), 0, std::string(1, version)));
        Table table(dir.path(), "VFP");
        try {
            table.open();
            ADD_FAILURE() << "abierta";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("La tabla VFP («" + files::toUtf8(dir / "VFP.DBF") +
                                                 "») es una tabla de Visual FoxPro"),
                      std::string::npos)
                << e.what();
        }
    }
}

// Random damage to real tables and indexes: every outcome is a table that
// reads or an Error, never a crash or an out-of-bounds read.
TEST(TableBadFiles, RandomDamageNeverCrashes) {
    std::mt19937 random(20261210);
    const std::string sources[] = {readText(kReference / "COUNTSES.DBF"), readText(kReference / "AULAT.DBF"),
                                   readText(kReference / "soluc-level4" / "SOLUC.DBF"),
                                   readText(kReference / "XFLOATO.DBF")};
    const std::string mdx = readText(kReference / "XKEYTEST.MDX");
    TempDir dir;
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = sources[round % 4];
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at =
                random() % (round % 3 == 0 ? std::min<std::size_t>(bytes.size(), 200) : bytes.size());
            bytes[at] = static_cast<char>(random() % 256);
        }
        if (round % 7 == 0) {
            bytes.resize(random() % bytes.size());
        }
        writeText(dir / "T.DBF", bytes);
        Table table(dir.path(), "T");
        try {
            table.open();
            ++opened;
            for (table.first(); !table.eof(); table.next()) {
                for (const FieldInfo& f : table.fields()) {
                    (void)table.getText(f.name);
                    try {
                        (void)table.getDouble(f.name);
                    } catch (const Error&) {
                    }
                }
            }
            table.discard();
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("La tabla T"), std::string::npos) << e.what();
        }

        std::string index = mdx;
        for (int i = 0; i < changes; ++i) {
            index[2048 + random() % (index.size() - 2048)] = static_cast<char>(random() % 256);
        }
        if (round % 5 == 0) {
            index[544 + random() % 4] = static_cast<char>(random() % 256);
        }
        try {
            (void)MdxIndex::walk(index);
            (void)MdxIndex::readRebuildableTag(index);
        } catch (const Error&) {
        }
    }
    EXPECT_GT(opened, 0);
}

} // namespace
} // namespace vinculor
