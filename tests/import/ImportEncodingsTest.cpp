// The import writes its document in the encoding of the school's file, with
// the header's names as the file gives them.

#include "import/ImportFixture.h"

namespace vinculor::importing {
namespace {

using testing::ImportFixture;
using testing::readText;
using testing::writeText;

struct Encoding {
    const char* declared; // empty: no declaration
    std::string name;     // the school's name in the file's bytes
    std::string written;  // the header as the output must hold it
    bool utf16 = false;
};

std::string widened(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

class ImportEncodings : public ImportFixture {};

TEST_F(ImportEncodings, TheOutputIsInTheInputsEncoding) {
    writeSoluc({{"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"}});
    const Encoding cases[] = {
        {"UTF-8",
         "Pe\xC3\xB1"
         "a \xE2\x82\xAC",
         "Nombre=\"Pe\xC3\xB1"
         "a \xE2\x82\xAC\""},
        {"",
         "Pe\xC3\xB1"
         "a",
         "Nombre=\"Pe\xC3\xB1"
         "a\""},
        {"US-ASCII", "Pe&#241;a &#8364;", "Nombre=\"Pe&#241;a &#8364;\""},
        {"ISO-8859-1",
         "Pe\xF1"
         "a",
         "Nombre=\"Pe\xF1"
         "a\""},
        {"ISO-8859-15",
         "Pe\xF1"
         "a \xA4",
         "Nombre=\"Pe\xF1"
         "a \xA4\""},
        {"windows-1252",
         "Pe\xF1"
         "a \x80",
         "Nombre=\"Pe\xF1"
         "a \x80\""},
        {"UTF-16", "Pena", std::string("N\0o\0m\0b\0r\0e\0=\0\"\0P\0e\0n\0a\0\"\0", 26), true},
    };
    for (const Encoding& c : cases) {
        const std::string declaration =
            *c.declared ? std::string("<?xml version=\"1.0\" encoding=\"") + c.declared + "\"?>\n" : "";
        const std::string text = declaration + "<Centro Codigo=\"1\" Nombre=\"" + c.name +
                                 "\" CursoEscolar=\"C\" Version=\"V\"/>\n";
        writeText(schoolFile, c.utf16 ? widened(text) : text);
        ASSERT_EQ(runImport(), RunOutcome::Completed) << c.declared;
        const std::string saved = readText(outputFile());
        const std::string start = c.utf16 ? widened(declaration) : declaration + "<Centro Codigo=\"1\"";
        EXPECT_EQ(saved.rfind(start, 0), 0u) << c.declared << ": " << saved.substr(0, 80);
        EXPECT_NE(saved.find(c.written), std::string::npos) << c.declared << ": " << saved.substr(0, 120);
        EXPECT_EQ(activities().size(), 1u) << c.declared;
    }
}

} // namespace
} // namespace vinculor::importing
