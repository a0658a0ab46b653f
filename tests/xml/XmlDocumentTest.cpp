#include "xml/XmlDocument.h"

#include "base/Error.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vinculor {
namespace {

using testing::readText;
using testing::TempDir;
using testing::writeText;

std::string toUtf16(const std::string& ascii_or_utf8, bool bigEndian) {
    // Test inputs are built from UTF-8 with characters of the Basic Multilingual Plane only.
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::size_t i = 0; i < ascii_or_utf8.size();) {
        unsigned char c = ascii_or_utf8[i];
        char32_t cp;
        if (c < 0x80) {
            cp = c, i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = ((c & 0x1F) << 6) | (ascii_or_utf8[i + 1] & 0x3F), i += 2;
        } else {
            cp = ((c & 0x0F) << 12) | ((ascii_or_utf8[i + 1] & 0x3F) << 6) | (ascii_or_utf8[i + 2] & 0x3F),
            i += 3;
        }
        const char hi = static_cast<char>(cp >> 8), lo = static_cast<char>(cp & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

const std::string kBody = "<!-- exportado -->\n<?pincel version=\"2\"?>\n"
                          "<Centro Codigo=\"38001\" Nombre=\"Año Ñ\"><Materias><Materia Codigo=\"EF\" "
                          "Denominacion=\"Educación Física\"/></Materias></Centro>\n";

struct EncodingCase {
    const char* name;
    std::string bytes;         // the file as written by the other system
    std::string savedFragment; // how "Educación" must look in the saved bytes
    std::string savedPrefix;   // how the saved file must begin
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class XmlEncodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(XmlEncodings, LoadsSpanishTextAndSavesInTheDeclaredEncodingKeepingWhatLiesOutsideTheRoot) {
    const EncodingCase& c = GetParam();
    TempDir dir;
    writeText(dir / "in.xml", c.bytes);

    XmlDocument doc;
    doc.load(dir / "in.xml");
    const XmlNode materia = doc.selectSingleNode("/Centro/Materias/Materia");
    ASSERT_TRUE(materia);
    EXPECT_EQ(materia.attribute("Denominacion"), "Educación Física");
    EXPECT_EQ(doc.documentElement().attribute("Nombre"), "Año Ñ");

    doc.save(dir / "out.xml");
    const std::string saved = readText(dir / "out.xml");
    EXPECT_EQ(saved.rfind(c.savedPrefix, 0), 0u) << c.name;
    EXPECT_NE(saved.find(c.savedFragment), std::string::npos) << c.name;

    XmlDocument again;
    again.load(dir / "out.xml");
    EXPECT_EQ(again.selectSingleNode("/Centro/Materias/Materia").attribute("Denominacion"),
              "Educación Física");
    std::string ascii = saved; // the kept parts are ASCII; UTF-16 puts a zero byte beside each
    std::erase(ascii, '\0');
    for (const char* kept : {"exportado", "<?pincel version=\"2\"?>"}) {
        EXPECT_NE(ascii.find(kept), std::string::npos) << c.name << " lost " << kept;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllEncodings, XmlEncodings,
    ::testing::Values(
        EncodingCase{"utf8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + kBody, "Educaci\xC3\xB3n",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"},
        EncodingCase{"utf8-bom", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" + kBody, "Educaci\xC3\xB3n",
                     "\xEF\xBB\xBF<?xml version=\"1.0\"?>"},
        EncodingCase{"utf8-no-declaration", kBody, "Educaci\xC3\xB3n", "<!-- exportado -->"},
        EncodingCase{
            "latin1",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- exportado -->\n<?pincel version=\"2\"?>\n"
            "<Centro Codigo=\"38001\" Nombre=\"A\xF1o \xD1\"><Materias><Materia Codigo=\"EF\" "
            "Denominacion=\"Educaci\xF3n F\xEDsica\"/></Materias></Centro>\n",
            "Educaci\xF3n F\xEDsica", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
        EncodingCase{"windows1252",
                     "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!-- exportado -->\n<?pincel "
                     "version=\"2\"?>\n"
                     "<Centro Codigo=\"38001\" Nombre=\"A\xF1o \xD1\"><Materias><Materia Codigo=\"EF\" "
                     "Denominacion=\"Educaci\xF3n F\xEDsica\"/></Materias></Centro>\n",
                     "Educaci\xF3n F\xEDsica", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"},
        EncodingCase{"utf16le", toUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + kBody, false),
                     std::string("E\0d\0u\0c\0a\0c\0i\0\xF3\0n\0", 18), "\xFF\xFE<\0?\0x\0m\0l\0"},
        EncodingCase{"utf16be", toUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + kBody, true),
                     std::string("E\0d\0u\0c\0a\0c\0i\0\xF3\0n\0", 18), "\xFF\xFE<\0?\0x\0m\0l\0"}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (c == '-') {
                c = '_';
            }
        }
        return name;
    });

TEST(XmlDocument, CharactersOutsideASingleByteEncodingBecomeReferencesNotQuestionMarks) {
    XmlDocument doc;
    doc.loadFromString("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Centro/>");
    doc.documentElement().setAttribute("Nombre", "€ Ω");
    const std::string saved = doc.saveToString();
    EXPECT_NE(saved.find("Nombre=\"&#8364; &#937;\""), std::string::npos) << saved;
    XmlDocument again;
    again.loadFromString(saved);
    EXPECT_EQ(again.documentElement().attribute("Nombre"), "€ Ω");
}

TEST(XmlDocument, AttributesKeepTheOrderOfFirstSettingAndMissingOnesReadEmpty) {
    XmlDocument doc;
    XmlNode root = doc.appendElement("Centro");
    root.setAttribute("Codigo", "1");
    root.setAttribute("Nombre", "x");
    root.setAttribute("Codigo", "2");
    root.setAttribute("Version", "3");
    EXPECT_NE(doc.saveToString().find("<Centro Codigo=\"2\" Nombre=\"x\" Version=\"3\""), std::string::npos);
    EXPECT_EQ(root.attribute("NoExiste"), "");
    EXPECT_FALSE(root.hasAttribute("NoExiste"));
}

TEST(XmlDocument, AbsolutePathsGiveTheSameListInDocumentOrderFromAnyNode) {
    XmlDocument doc;
    doc.loadFromString("<Centro><Grupos><Grupo Codigo='1A'><MateriasGrupo><MateriaGrupo Codigo='M1'/>"
                       "<MateriaGrupo Codigo='M2'/></MateriasGrupo></Grupo><Otro/><Grupo Codigo='1B'>"
                       "<MateriasGrupo><MateriaGrupo Codigo='M3'/></MateriasGrupo></Grupo></Grupos>"
                       "<Grupos><Grupo Codigo='2A'/></Grupos></Centro>");
    const auto codes = [](const XmlNodeList& list) {
        std::string s;
        for (const XmlNode& n : list) {
            s += n.attribute("Codigo") + ",";
        }
        return s;
    };
    EXPECT_EQ(codes(doc.selectNodes("/Centro/Grupos/Grupo")), "1A,1B,2A,");
    const XmlNodeList subjects = doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo");
    EXPECT_EQ(codes(subjects), "M1,M2,M3,");
    EXPECT_EQ(codes(subjects[2].selectNodes("/Centro/Grupos/Grupo")), "1A,1B,2A,");
    EXPECT_EQ(subjects[2].parent().parent().attribute("Codigo"), "1B");
    EXPECT_EQ(doc.selectSingleNode("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo").attribute("Codigo"),
              "M1");
    EXPECT_TRUE(doc.selectNodes("/Centro/Aulas/Aula").empty());
    EXPECT_FALSE(doc.selectSingleNode("/Otro"));
}

TEST(XmlDocument, ReplacingTheRootKeepsTheDeclarationAndComments) {
    XmlDocument doc;
    doc.loadFromString(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<Centro Codigo=\"1\"><Materias/></Centro>");
    doc.removeChild(doc.selectSingleNode("/Centro"));
    XmlNode root = doc.appendElement("Centro");
    root.appendElement("horario");
    const std::string saved = doc.saveToString();
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(saved.find("<!-- c -->"), std::string::npos);
    EXPECT_NE(saved.find("<horario />"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Materias"), std::string::npos);
}

TEST(XmlDocument, BadInputsNameTheFileAndWhereTheParserStopped) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"mismatch", "<Centro>\n  <Materias>\n</Centro>",
         "no es un documento XML válido: la etiqueta de cierre no corresponde a la de apertura (línea 3, "
         "columna 3)"},
        {"empty", "", "el documento no tiene elemento raíz"},
        {"truncated", "<Centro><Materias><Materia Codigo=\"", "atributo mal formado"},
        {"declared-utf8-holds-latin1", "<?xml version=\"1.0\"?>\n<Centro Nombre=\"A\xF1o\"/>",
         "contiene bytes que no corresponden a su codificación (línea 2, columna 18)"},
        {"unknown-encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC\"?><Centro/>",
         "«EBCDIC», que no está admitida"},
        {"two-roots",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Centro Nombre=\"Pe\xF1"
         "a\"/>\n<Centro/>",
         "no es un documento XML válido: tiene más de un elemento raíz (línea 3, columna 1)"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const auto file = dir / (std::string(c.name) + ".xml");
        writeText(file, c.bytes);
        XmlDocument doc;
        try {
            doc.load(file);
            ADD_FAILURE() << c.name << " loaded";
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(file.string()), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        }
    }
}

TEST(XmlDocument, InternalEntitiesAreNotExpandedAndExternalOnesNotFetched) {
    XmlDocument doc;
    doc.loadFromString("<!DOCTYPE Centro [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">"
                       "<!ENTITY ext SYSTEM \"file:///etc/passwd\">]><Centro Nombre=\"&b;&ext;\"/>");
    EXPECT_EQ(doc.documentElement().attribute("Nombre"), "&b;&ext;");
}

TEST(XmlDocument, MissingFileIsAnErrorThatNamesIt) {
    XmlDocument doc;
    try {
        doc.load("/no/such/dir/centro.xml");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("/no/such/dir/centro.xml"), std::string::npos);
    }
}

// The document that the import writes, built once with the children in the
// tree and saved, and once with the children streamed: the bytes must agree.
std::string savedWithChildren(const std::string& input, std::size_t children, bool streamed) {
    TempDir dir;
    writeText(dir / "in.xml", input);
    XmlDocument doc;
    doc.load(dir / "in.xml");
    doc.removeChild(doc.documentElement());
    XmlNode root = doc.appendElement("Centro");
    root.setAttribute("Codigo", "38001");
    XmlNode horario = root.appendElement("horario");
    const std::string values[] = {"CCM", "", "Año Ñ", "a&b<c>d\"e'f", "tab\there", "08:00"};
    const auto value = [&](std::size_t i, std::size_t k) { return values[(i * 7 + k) % std::size(values)]; };
    if (streamed) {
        XmlChildStream stream(doc, horario, dir / "out.xml");
        for (std::size_t i = 0; i < children; ++i) {
            stream.append("actividad",
                          {{"tipo", value(i, 0)}, {"codigAula", value(i, 1)}, {"dia", value(i, 2)}});
        }
        stream.finish();
    } else {
        for (std::size_t i = 0; i < children; ++i) {
            XmlNode a = horario.appendElement("actividad");
            a.setAttribute("tipo", value(i, 0));
            a.setAttribute("codigAula", value(i, 1));
            a.setAttribute("dia", value(i, 2));
        }
        doc.save(dir / "out.xml");
    }
    return readText(dir / "out.xml");
}

TEST(XmlChildStream, WritesTheSameBytesAsSavingTheTreeInEveryEncoding) {
    const std::string body = "<!-- exportado -->\n<Centro Codigo=\"1\"><Materias/></Centro>\n";
    const std::string inputs[] = {
        body,
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body,
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + body,
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" + body,
        toUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + body, false),
    };
    for (const std::string& input : inputs) {
        // None, a few, and enough to be written in several batches.
        for (const std::size_t children : {0, 3, 30000}) {
            const std::string streamed = savedWithChildren(input, children, true);
            const std::string tree = savedWithChildren(input, children, false);
            const auto differ = std::mismatch(streamed.begin(), streamed.end(), tree.begin(), tree.end());
            const auto at = static_cast<std::size_t>(differ.first - streamed.begin());
            EXPECT_TRUE(streamed == tree)
                << children << " children of " << input.substr(0, 40) << ": from byte " << at
                << " the stream wrote «" << streamed.substr(at, 40) << "», the tree «" << tree.substr(at, 40)
                << "»";
        }
    }
}

TEST(XmlChildStream, LeavesTheFileAsItWasWhenNotFinished) {
    TempDir dir;
    writeText(dir / "in.xml", "<Centro/>");
    writeText(dir / "out.xml", "antes");
    XmlDocument doc;
    doc.load(dir / "in.xml");
    {
        XmlChildStream stream(doc, doc.documentElement(), dir / "out.xml");
        for (int i = 0; i < 50000; ++i) {
            stream.append("actividad", {{"tipo", "CCM"}, {"dia", "L"}});
        }
    }
    EXPECT_EQ(readText(dir / "out.xml"), "antes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
} // namespace vinculor
