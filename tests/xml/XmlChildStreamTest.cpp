#include "xml/XmlChildStream.h"

#include "base/Error.h"
#include "support/TempDir.h"
#include "xml/XmlFamilies.h"

#include <gtest/gtest.h>

namespace vinculor {
namespace {

using testing::readText;
using testing::TempDir;
using testing::writeText;

std::string toUtf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        if (c < 0x80) {
            cp = c, i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F), i += 2;
        } else {
            cp = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F), i += 3;
        }
        const char hi = static_cast<char>(cp >> 8), lo = static_cast<char>(cp & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

const std::vector<XmlFamilySpec> kFamilies = {{"/Centro", {"Nombre"}},
                                              {"/Centro/Materias/Materia", {"Denominacion"}},
                                              {"/Centro/horario/actividad", {"tipo"}}};

// Reads `input`, writes the import's document from it with one activity named
// `name`, and reads that back.
struct RoundTrip {
    std::string nombre, denominacion; // as read from the input
    std::string saved;                // the written bytes
    std::string again;                // the activity's name, read back from them
};

RoundTrip roundTrip(const std::string& input, const std::string& name) {
    TempDir dir;
    writeText(dir / "in.xml", input);
    const XmlFamilies doc = XmlFamilies::read(dir / "in.xml", kFamilies);
    RoundTrip r;
    r.nombre = doc.selectSingleNode("/Centro").attribute("Nombre");
    r.denominacion = doc.selectSingleNode("/Centro/Materias/Materia").attribute("Denominacion");
    XmlChildStream stream(doc.outside(), "Centro", {{"Nombre", r.nombre}}, "horario", dir / "out.xml");
    stream.append("actividad", {{"tipo", name}});
    stream.finish();
    r.saved = readText(dir / "out.xml");
    r.again = XmlFamilies::read(dir / "out.xml", kFamilies)
                  .selectSingleNode("/Centro/horario/actividad")
                  .attribute("tipo");
    return r;
}

struct EncodingCase {
    const char* name;
    std::string declaration;                          // of the input, in ASCII
    std::string nombre;                               // the root's name as the input's bytes give it
    std::string denominacion;                         // likewise, a subject's name
    std::string expectedNombre, expectedDenominacion; // read, in UTF-8
    bool utf16 = false, bigEndian = false, bom = false;
    std::string savedStart; // how the written file begins
    std::string savedName;  // how "Año €" is written in it
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class XmlEncodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(XmlEncodings, ReadAndWrittenAgainInTheSameEncoding) {
    const EncodingCase& c = GetParam();
    const std::string text = c.declaration + "<!-- exportado -->\n<Centro Nombre=\"" + c.nombre +
                             "\"><Materias><Materia Denominacion=\"" + c.denominacion +
                             "\"/></Materias></Centro>\n";
    const std::string input = c.utf16 ? toUtf16(text, c.bigEndian) : (c.bom ? "\xEF\xBB\xBF" : "") + text;
    const RoundTrip r = roundTrip(input, "Año €");
    EXPECT_EQ(r.nombre, c.expectedNombre);
    EXPECT_EQ(r.denominacion, c.expectedDenominacion);
    EXPECT_EQ(r.again, "Año €");
    EXPECT_EQ(r.saved.rfind(c.savedStart, 0), 0u) << r.saved.substr(0, 60);
    EXPECT_NE(r.saved.find(c.savedName), std::string::npos) << r.saved;
}

INSTANTIATE_TEST_SUITE_P(
    AllEncodings, XmlEncodings,
    ::testing::Values(
        EncodingCase{"utf8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "Año €", "Educación", "Año €",
                     "Educación", false, false, false, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- exp",
                     "tipo=\"Año €\""},
        EncodingCase{"utf8_bom", "<?xml version=\"1.0\"?>\n", "Año €", "Educación", "Año €", "Educación",
                     false, false, true, "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n", "tipo=\"Año €\""},
        EncodingCase{"utf8_without_declaration", "", "Año €", "Educación", "Año €", "Educación", false, false,
                     false, "<!-- exportado -->\n<Centro", "tipo=\"Año €\""},
        EncodingCase{"us_ascii", "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>\n", "A&#241;o",
                     "Educaci&#xF3;n", "Año", "Educación", false, false, false,
                     "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>", "tipo=\"A&#241;o &#8364;\""},
        EncodingCase{"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n", "A\xF1o \xA4",
                     "Educaci\xF3n", "Año ¤", "Educación", false, false, false,
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "tipo=\"A\xF1o &#8364;\""},
        EncodingCase{"latin9", "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>\n", "A\xF1o \xA4 \xA6",
                     "Educaci\xF3n", "Año € Š", "Educación", false, false, false,
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>", "tipo=\"A\xF1o \xA4\""},
        EncodingCase{"windows1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n", "A\xF1o \x80 \x8A",
                     "Educaci\xF3n", "Año € Š", "Educación", false, false, false,
                     "<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "tipo=\"A\xF1o \x80\""},
        EncodingCase{"utf16le", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n", "Año €", "Educación",
                     "Año €", "Educación", true, false, false, std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12),
                     std::string("A\0\xF1\0o\0 \0\xAC\x20", 10)},
        EncodingCase{"utf16be", "<?xml version=\"1.0\" encoding=\"UTF-16BE\"?>\n", "Año €", "Educación",
                     "Año €", "Educación", true, true, false, std::string("\xFE\xFF\0<\0?\0x\0m\0l", 12),
                     std::string("\0A\0\xF1\0o\0 \x20\xAC", 10)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlEncodings, BytesThatDoNotFitTheDeclaredEncodingAreRefused) {
    const std::pair<const char*, std::string> cases[] = {
        {"US-ASCII", "A\xF1o"},
        {"windows-1252", "A\x81o"}, // a byte that windows-1252 leaves undefined
        {"UTF-8", "A\xC3"},         // a sequence cut short
    };
    for (const auto& [encoding, value] : cases) {
        const std::string input = std::string("<?xml version=\"1.0\" encoding=\"") + encoding +
                                  "\"?>\n<Centro Nombre=\"" + value + "\"/>";
        try {
            XmlFamilies::fromBytes(input, kFamilies, "mal.xml");
            ADD_FAILURE() << encoding;
        } catch (const Error& e) {
            EXPECT_NE(
                std::string(e.what()).find("«mal.xml» no es un documento XML válido: contiene bytes que no "
                                           "corresponden a su codificación (línea 2, columna 18)."),
                std::string::npos)
                << e.what();
        }
    }
}

TEST(XmlChildStream, KeepsWhatLayOutsideTheRootAndWritesTheRootAfterIt) {
    TempDir dir;
    writeText(dir / "in.xml", "<?xml version='1.0'   encoding='UTF-8' standalone='yes' ?>\r\n<!-- a\r\nb "
                              "-->\n<?pi   some  data  ?>\n"
                              "<!DOCTYPE  Centro [\n <!ENTITY e 'x>y'>\n <!-- in ]> -->\n <?dentro?>\n]  "
                              ">\n<Centro><Materias/></Centro>\n"
                              "<!--after-->\n<?end?>\n");
    const XmlFamilies doc = XmlFamilies::read(dir / "in.xml", kFamilies);
    const std::string outside =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<!-- a\nb -->\n"
        "<?pi some  data  ?>\n<!DOCTYPE Centro [\n <!ENTITY e 'x>y'>\n <!-- in ]> -->\n"
        " <?dentro?>\n]  >\n<!--after-->\n<?end?>\n";
    {
        XmlChildStream empty(doc.outside(), "Centro", {{"A", "a&b<c>d\"e'f"}, {"B", ""}}, "horario",
                             dir / "out.xml");
        empty.finish();
        EXPECT_EQ(readText(dir / "out.xml"),
                  outside + "<Centro A=\"a&amp;b&lt;c>d&quot;e'f\" B=\"\">\n  <horario />\n</Centro>\n");
    }
    // Enough children to be written in several batches.
    XmlChildStream stream(doc.outside(), "Centro", {{"Codigo", "1"}}, "horario", dir / "out.xml");
    std::string expected = outside + "<Centro Codigo=\"1\">\n  <horario>\n";
    for (int i = 0; i < 30000; ++i) {
        const std::string n = std::to_string(i);
        stream.append("actividad", {{"tipo", "CCM"}, {"codigoGrupo", n}, {"dia", "L"}});
        expected += "    <actividad tipo=\"CCM\" codigoGrupo=\"" + n + "\" dia=\"L\" />\n";
    }
    stream.finish();
    EXPECT_EQ(stream.count(), 30000u);
    EXPECT_TRUE(readText(dir / "out.xml") == expected + "  </horario>\n</Centro>\n");
}

TEST(XmlChildStream, LeavesTheFileAsItWasWhenNotFinished) {
    TempDir dir;
    writeText(dir / "out.xml", "antes");
    {
        XmlChildStream stream(XmlOutside{}, "Centro", {}, "horario", dir / "out.xml");
        for (int i = 0; i < 50000; ++i) {
            stream.append("actividad", {{"tipo", "CCM"}, {"dia", "L"}});
        }
    }
    EXPECT_EQ(readText(dir / "out.xml"), "antes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace vinculor
