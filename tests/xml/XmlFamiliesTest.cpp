#include "xml/XmlFamilies.h"

#include "base/Error.h"
#include "support/TempDir.h"

#include <chrono>
#include <gtest/gtest.h>

namespace vinculor {
namespace {

using testing::TempDir;
using testing::writeText;

const std::vector<XmlFamilySpec> kFamilies = {
    {"/Centro", {"Codigo", "Nombre"}},
    {"/Centro/Materias/Materia", {"Codigo", "Denominacion"}},
    {"/Centro/Grupos/Grupo", {"Codigo"}},
    {"/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo", {"Codigo"}},
};

std::string codes(const XmlNodeList& list, const char* name = "Codigo") {
    std::string s;
    for (const XmlNode& n : list) {
        s += std::string(n.attributeView(name)) + ",";
    }
    return s;
}

TEST(XmlFamilies, KeepsTheFamiliesInDocumentOrderWithTheirOwners) {
    const XmlFamilies doc = XmlFamilies::fromBytes(
        "<Centro Codigo='38001' Otro='x'><Grupos><Grupo Codigo='1A'><MateriasGrupo><MateriaGrupo "
        "Codigo='M1'/>"
        "<MateriaGrupo Codigo='M2'/></MateriasGrupo></Grupo><Otro><Grupo Codigo='no'/></Otro><Grupo "
        "Codigo='1B'/>"
        "<Grupo Codigo='1C'><MateriasGrupo><MateriaGrupo Codigo='M3'/></MateriasGrupo><MateriasGrupo>"
        "<MateriaGrupo Codigo='M4'/></MateriasGrupo></Grupo></Grupos><Grupos><Grupo Codigo='2A'/></Grupos>"
        "<Materias><Materia Denominacion='Educación Física' Codigo=' EF '/><Materia/></Materias></Centro>",
        kFamilies);
    EXPECT_EQ(doc.rootName(), "Centro");
    EXPECT_EQ(codes(doc.selectNodes("/Centro/Grupos/Grupo")), "1A,1B,1C,2A,");
    const XmlNodeList subjects = doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo");
    EXPECT_EQ(codes(subjects), "M1,M2,M3,M4,");
    std::vector<std::size_t> owners;
    for (const XmlNode& s : subjects) {
        owners.push_back(s.owner());
    }
    EXPECT_EQ(owners, (std::vector<std::size_t>{0, 0, 2, 2}));

    const XmlNodeList materias = doc.selectNodes("/Centro/Materias/Materia");
    ASSERT_EQ(materias.size(), 2u);
    EXPECT_EQ(materias[0].attributeView("Codigo"), " EF "); // as written; the steps trim
    EXPECT_EQ(materias[0].attribute("Denominacion"), "Educación Física");
    EXPECT_FALSE(materias[1].hasAttribute("Codigo"));
    EXPECT_EQ(materias[1].attributeView("Codigo"), "");
    // By place in the list asked for, whatever order the element writes them in.
    EXPECT_EQ(materias[0].attributeAt(0), " EF ");
    EXPECT_EQ(materias[0].attributeAt(1), "Educación Física");
    EXPECT_EQ(materias[0].attributeAt(2), ""); // beyond the list
    EXPECT_EQ(materias[1].attributeAt(1), "");

    const XmlNode root = doc.selectSingleNode("/Centro");
    EXPECT_EQ(root.attributeView("Codigo"), "38001");
    EXPECT_FALSE(root.hasAttribute("Otro")); // not asked for, not kept
    EXPECT_THROW(doc.selectNodes("/Centro/Aulas/Aula"), Error);
}

TEST(XmlFamilies, TheInternalDocumentTypeDeclarationIsHonoured) {
    // Entities in a code, a name and in content that holds elements; a
    // character reference; attribute defaults; an entity's own markup.
    const XmlFamilies doc = XmlFamilies::fromBytes(
        "<?xml version='1.0' encoding='UTF-8'?>\n"
        "<!DOCTYPE Centro [\n"
        "  <!ENTITY mat 'MATEMATICAS'>\n"
        "  <!ENTITY nombre 'Matem&#225;ticas &amp; m&#xE1;s'>\n"
        "  <!ENTITY otras \"<Materia Codigo='LCL'/><Materia Codigo='EF' Denominacion='Propia'/>\">\n"
        "  <!ATTLIST Materia Denominacion CDATA 'Sin nombre' Codigo CDATA #IMPLIED>\n"
        "]>\n"
        "<Centro><Materias><Materia Codigo='&mat;1' Denominacion='&nombre;'/>&otras;</Materias></Centro>",
        kFamilies);
    const XmlNodeList m = doc.selectNodes("/Centro/Materias/Materia");
    EXPECT_EQ(codes(m), "MATEMATICAS1,LCL,EF,");
    EXPECT_EQ(codes(m, "Denominacion"), "Matemáticas & más,Sin nombre,Propia,");
    EXPECT_TRUE(m[1].hasAttribute("Denominacion"));
}

TEST(XmlFamilies, ExternalEntitiesAreNeverRead) {
    TempDir dir;
    writeText(dir / "secreto.txt", "secreto");
    const std::string url = "file://" + (dir / "secreto.txt").string();
    // In content an external entity is left out; in an attribute it is not well-formed.
    const XmlFamilies doc = XmlFamilies::fromBytes(
        "<!DOCTYPE Centro [<!ENTITY ext SYSTEM '" + url + "'>]><Centro Nombre='a'>&ext;</Centro>", kFamilies);
    EXPECT_EQ(doc.selectSingleNode("/Centro").attributeView("Nombre"), "a");
    EXPECT_THROW(XmlFamilies::fromBytes("<!DOCTYPE Centro [<!ENTITY ext SYSTEM '" + url +
                                            "'>]><Centro Nombre='&ext;'/>",
                                        kFamilies),
                 Error);
}

TEST(XmlFamilies, AnEntityExpansionAttackIsRefusedQuickly) {
    std::string dtd = "<!DOCTYPE Centro [<!ENTITY l0 'lollollollollollollollollollol'>";
    for (int i = 1; i <= 9; ++i) {
        dtd += "<!ENTITY l" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) {
            dtd += "&l" + std::to_string(i - 1) + ";";
        }
        dtd += "'>";
    }
    dtd += "]>";
    for (const std::string body : {"<Centro>&l9;</Centro>", "<Centro Nombre='&l9;'/>"}) {
        const auto start = std::chrono::steady_clock::now();
        try {
            XmlFamilies::fromBytes(dtd + body, kFamilies, "risa.xml");
            ADD_FAILURE() << body << " was read";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("«risa.xml» no es un documento XML válido: sus entidades se "
                                                 "expanden a un texto desmesurado"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << body;
    }
}

TEST(XmlFamilies, AnyDepthIsRead) {
    constexpr int kDepth = 1000000;
    std::string deep = "<Centro><Materias><Materia Codigo='A'/></Materias>";
    deep.reserve(deep.size() + 7 * kDepth + 40);
    for (int i = 0; i < kDepth; ++i) {
        deep += "<a>";
    }
    deep += "<Materia Codigo='no'/>";
    for (int i = 0; i < kDepth; ++i) {
        deep += "</a>";
    }
    deep += "<Materias><Materia Codigo='B'/></Materias></Centro>";
    const XmlFamilies doc = XmlFamilies::fromBytes(deep, kFamilies);
    EXPECT_EQ(codes(doc.selectNodes("/Centro/Materias/Materia")), "A,B,");
}

TEST(XmlFamilies, ErrorsNameTheFileAndWhereTheParserStopped) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"mismatch", "<Centro>\n  <Materias>\n</Centro>",
         "no es un documento XML válido: la etiqueta de cierre no corresponde a la de apertura (línea 3, "
         "columna 3)."},
        {"empty", "", "el documento no tiene elemento raíz (línea 1, columna 1)."},
        {"unclosed", "<Centro><Materias>", "el documento termina antes de cerrar sus elementos"},
        {"latin1-in-utf8", "<?xml version=\"1.0\"?>\n<Centro Nombre=\"A\xF1o\"/>",
         "contiene bytes que no corresponden a su codificación (línea 2, columna 18)."},
        {"unknown-encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC\"?><Centro/>",
         "usa la codificación «EBCDIC», que no está admitida (se admiten UTF-8, UTF-16, US-ASCII, "
         "ISO-8859-1, "
         "ISO-8859-15 y windows-1252)."},
        {"two-roots",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Centro Nombre=\"Pe\xF1"
         "a\"/>\n<Centro/>",
         "hay contenido después del elemento raíz (un documento tiene un solo elemento raíz) (línea 3, "
         "columna "
         "1)."},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const auto file = dir / (std::string(c.name) + ".xml");
        writeText(file, c.bytes);
        try {
            XmlFamilies::read(file, kFamilies);
            ADD_FAILURE() << c.name << " was read";
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("El archivo «" + file.string() + "» ", 0), 0u) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        }
    }
    EXPECT_THROW(XmlFamilies::read(dir / "no-existe.xml", kFamilies), Error);
}

} // namespace
} // namespace vinculor
