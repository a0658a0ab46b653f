#include "files/IniFile.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"
#include "text/Text.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using vinculor::ini::findValue;
using vinculor::ini::setValue;
using vinculor::testing::readText;
using vinculor::testing::TempDir;
using vinculor::testing::writeText;

struct EditCase {
    const char* what;
    std::string before;
    std::string after; // with Transformado of Transformadores set to "-1"
};

class IniSetValue : public ::testing::TestWithParam<EditCase> {};

TEST_P(IniSetValue, ChangesOnlyTheKeyAndKeepsEveryOtherByte) {
    const EditCase& c = GetParam();
    const std::string written = setValue(c.before, "Transformadores", "Transformado", "-1");
    EXPECT_EQ(written, c.after);
    EXPECT_EQ(findValue(written, "Transformadores", "Transformado"), "-1");
    // Writing the same value again changes nothing.
    EXPECT_EQ(setValue(written, "Transformadores", "Transformado", "-1"), written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniSetValue,
    ::testing::Values(
        EditCase{"empty file", "", "[Transformadores]\r\nTransformado=-1\r\n"},
        EditCase{
            "value replaced in a differently cased section, CR LF kept",
            "; ajustes de Horavia\r\n[Otra]\r\nTransformado=7\r\n\r\n  [ TRANSFORMADORES ]\r\nantes=a\r\n"
            "transformado = 1  \r\ndespues=b\r\n\r\n[Final]\r\nx=y",
            "; ajustes de Horavia\r\n[Otra]\r\nTransformado=7\r\n\r\n  [ TRANSFORMADORES ]\r\nantes=a\r\n"
            "transformado = -1\r\ndespues=b\r\n\r\n[Final]\r\nx=y"},
        EditCase{"empty value replaced", "[Transformadores]\nTransformado=\n",
                 "[Transformadores]\nTransformado=-1\n"},
        EditCase{"value on the last line, no final newline", "[Transformadores]\nTransformado=0",
                 "[Transformadores]\nTransformado=-1"},
        EditCase{
            "key added after the section's last key, before a trailing comment and blank line",
            "[transformadores]\nUno=1\nDos=2\n\n; la siguiente\n[Otra]\nTransformado=5\n",
            "[transformadores]\nUno=1\nDos=2\nTransformado=-1\n\n; la siguiente\n[Otra]\nTransformado=5\n"},
        EditCase{"key added right after an empty section's header", "[Transformadores]\r\n[Otra]\r\n",
                 "[Transformadores]\r\nTransformado=-1\r\n[Otra]\r\n"},
        EditCase{"key added at the end of a file without a final newline", "[Transformadores]\nUno=1",
                 "[Transformadores]\nUno=1\nTransformado=-1"},
        EditCase{"section appended, LF file", "[Otra]\nx=1\n",
                 "[Otra]\nx=1\n[Transformadores]\nTransformado=-1\n"},
        EditCase{"section appended to a file without a final newline", "[Otra]\r\nx=1",
                 "[Otra]\r\nx=1\r\n[Transformadores]\r\nTransformado=-1"},
        EditCase{"comments, look-alike keys and an unclosed header are not the key",
                 "[Transformadores]\n;Transformado=5\n#Transformado=6\nTransformadoX=7\n[Transformadores\n",
                 "[Transformadores]\n;Transformado=5\n#Transformado=6\nTransformadoX=7\nTransformado=-1\n"
                 "[Transformadores\n"},
        EditCase{"only the first of two sections of that name counts",
                 "[Transformadores]\na=1\n[Transformadores]\nTransformado=3\n",
                 "[Transformadores]\na=1\nTransformado=-1\n[Transformadores]\nTransformado=3\n"},
        EditCase{"a byte order mark before the first header",
                 "\xEF\xBB\xBF[Transformadores]\r\nTransformado=1\r\n",
                 "\xEF\xBB\xBF[Transformadores]\r\nTransformado=-1\r\n"}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return "case" + std::to_string(info.index); });

TEST(IniFindValue, ReadsTheFirstKeyOfTheFirstMatchingSection) {
    const std::string content = "[A]\nk=1\n[b]\n K = dos \nk=3\n[B]\nk=4\n";
    EXPECT_EQ(findValue(content, "B", "k"), "dos");
    EXPECT_EQ(findValue(content, "a", "K"), "1");
    EXPECT_EQ(findValue(content, "C", "k"), std::nullopt);
    EXPECT_EQ(findValue(content, "A", "j"), std::nullopt);
}

TEST(IniFindValue, ACarriageReturnEndingTheValueIsALineEnding) {
    // A file that ends in a CR alone, and a CR before a CR LF: adding a key after
    // them leaves the values reading the same.
    for (const std::string eol : {"\n", "\r\n"}) {
        const std::string content = "[Horavia]" + eol + "Ruta=C:\\HTEMP\r";
        EXPECT_EQ(findValue(content, "Horavia", "Ruta"), "C:\\HTEMP");
        const std::string edited = setValue(content, "Horavia", "Transformado", "1");
        EXPECT_EQ(edited, content + eol + "Transformado=1");
        EXPECT_EQ(findValue(edited, "Horavia", "Ruta"), "C:\\HTEMP");
    }
}

TEST(IniWriteValue, CreatesTheFileOrEditsItInPlace) {
    TempDir dir;
    const auto file = dir / "Horavia.ini";
    vinculor::ini::writeValue(file, "Transformadores", "Transformado", "1");
    EXPECT_EQ(readText(file), "[Transformadores]\r\nTransformado=1\r\n");

    writeText(file, "[Horavia]\r\nRuta=C:\\HTEMP\r\n[TRANSFORMADORES]\r\nTransformado=1\r\n");
    vinculor::ini::writeValue(file, "Transformadores", "Transformado", "0");
    EXPECT_EQ(readText(file), "[Horavia]\r\nRuta=C:\\HTEMP\r\n[TRANSFORMADORES]\r\nTransformado=0\r\n");
    // No temporary file is left beside it.
    EXPECT_EQ(vinculor::testing::snapshot(dir.path()).size(), 1u);
}

// Windows keeps a settings file that starts with a byte order mark in UTF-16:
// the edit keeps its encoding, its other lines and their accents.
TEST(IniWriteValue, AFileInUtf16StaysInUtf16) {
    TempDir dir;
    const auto file = dir / "Horavia.ini";
    const std::string before = "[Horavia]\r\nCentro=IES Añaza 𝄞\r\n[Transformadores]\r\nTransformado=1\r\n";
    const std::string after = "[Horavia]\r\nCentro=IES Añaza 𝄞\r\n[Transformadores]\r\nTransformado=-1\r\n";
    for (const bool bigEndian : {false, true}) {
        writeText(file, vinculor::text::utf8ToUtf16(before, bigEndian, true));
        vinculor::ini::writeValue(file, "Transformadores", "Transformado", "-1");
        const std::string written = readText(file);
        EXPECT_EQ(written, vinculor::text::utf8ToUtf16(after, bigEndian, true)) << bigEndian;
        EXPECT_EQ(vinculor::text::utf16ToUtf8(std::string_view(written).substr(2), bigEndian), after);
    }
}

TEST(IniWriteValue, RemovesWhatAKilledWriteLeftBesideTheFileAndNothingElse) {
    TempDir dir;
    const auto file = dir / "Horavia.ini";
    writeText(file, "[Transformadores]\r\nTransformado=1\r\n");
    const char* const ours = ".Horavia.ini.vinculor-0123456789abcdef.tmp";
    const char* const theirs[] = {".Horavia.ini.vinculor-copia.tmp",
                                  ".Otro.ini.vinculor-0123456789abcdef.tmp", "Horavia.ini.bak"};
    writeText(dir / ours, "[Transformadores]\r\nTransf");
    for (const char* name : theirs) {
        writeText(dir / name, "del usuario");
    }
    vinculor::ini::writeValue(file, "Transformadores", "Transformado", "0");
    EXPECT_EQ(findValue(readText(file), "Transformadores", "Transformado"), "0");
    EXPECT_FALSE(std::filesystem::exists(dir / ours));
    for (const char* name : theirs) {
        EXPECT_EQ(readText(dir / name), "del usuario") << name;
    }
}

TEST(IniWriteValue, ReportsAPathThatCannotBeWritten) {
    TempDir dir;
    writeText(dir / "archivo", "no soy un directorio");
    std::filesystem::create_directory(dir / "carpeta");
    // Tests run as root, so permissions cannot make a path unwritable: a
    // regular file as the parent, or a directory in the file's place, can.
    for (const auto& path : {dir / "archivo" / "Horavia.ini", dir / "carpeta"}) {
        try {
            vinculor::ini::writeValue(path, "Transformadores", "Transformado", "1");
            ADD_FAILURE() << "no error for " << path;
        } catch (const vinculor::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + vinculor::files::toUtf8(path));
        }
    }
}

TEST(IniWriteValue, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const auto file = dir / "Horavia.ini";
    const std::string before = "[Transformadores]\nTransformado=1\n; fin\n";
    using vinculor::files::FaultInjection;
    // Create, write and close of the temporary file, then the rename.
    for (long k = 1; k <= 4; ++k) {
        writeText(file, before);
        FaultInjection::failOperation(k);
        EXPECT_THROW(vinculor::ini::writeValue(file, "Transformadores", "Transformado", "-1"),
                     vinculor::Error)
            << "operation " << k;
        FaultInjection::disarm();
        EXPECT_EQ(readText(file), before) << "operation " << k;
        EXPECT_EQ(vinculor::testing::snapshot(dir.path()).size(), 1u) << "operation " << k;
    }
}

} // namespace
