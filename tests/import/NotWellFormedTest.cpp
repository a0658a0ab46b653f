// Documents that are not well-formed XML, each the least that shows its fault:
// both runs refuse every one, naming the file, with the parser's reason, line
// and column, and leave the Horavia directory and an earlier output as they were.

#include "base/Error.h"
#include "export/ExportRun.h"
#include "import/ImportFixture.h"

namespace vinculor {
namespace {

using testing::ImportFixture;
using testing::readText;
using testing::snapshot;
using testing::writeText;

struct Case {
    const char* fault;
    std::string bytes;
};

std::string centro(const std::string& attributes, const std::string& body = "") {
    return "<Centro Codigo=\"1\" Nombre=\"N\" CursoEscolar=\"C\" Version=\"V\"" + attributes + ">" + body +
           "</Centro>";
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"atributo repetido",
         "<Centro Codigo=\"1\" Nombre=\"N\" CursoEscolar=\"C\" Version=\"V\" Codigo=\"2\"/>"},
        {"entidad no declarada", centro(" Otro=\"&foo;\"")},
        {"entidad no declarada en el texto", centro("", "&foo;")},
        {"referencia al carácter 0", centro(" Otro=\"A&#0;B\"")},
        {"referencia a un carácter de control", centro(" Otro=\"&#x1;\"")},
        {"referencia a un sustituto", centro(" Otro=\"&#xD800;\"")},
        {"referencia a U+FFFE", centro("", "&#65534;")},
        {"carácter de control en un atributo", centro(" Otro=\"A\x01"
                                                      "B\"")},
        {"carácter de control en el texto", centro("", "\x1F")},
        {"declaración XML que no está al principio", " <?xml version=\"1.0\"?>" + centro("")},
        {"declaración XML después de un comentario", "<!-- c --><?xml version=\"1.0\"?>" + centro("")},
        {"etiqueta sin cerrar", centro("", "<Materias>")},
        {"etiqueta de cierre que no corresponde", centro("", "<Materias></Aulas>")},
        {"raíz sin cerrar", "<Centro Codigo=\"1\" Nombre=\"N\" CursoEscolar=\"C\" Version=\"V\">"},
        {"atributo con <", centro(" Otro=\"a<b\"")},
        {"]]> en el texto", centro("", "a]]>b")},
        {"nombre de elemento que empieza por una cifra", centro("", "<1Materias/>")},
        {"nombre de atributo con un carácter no permitido", centro(" Ot@ro=\"x\"")},
        {"comentario con --", centro("", "<!-- a -- b -->")},
        {"dos elementos raíz", centro("") + centro("")},
        {"sin elemento raíz", "<?xml version=\"1.0\"?>\n<!-- solo un comentario -->\n"},
        {"texto después de la raíz", centro("") + "texto"},
        {"bytes que no son UTF-8", centro(" Otro=\"A\xF1o\"")},
        {"bytes fuera de US-ASCII",
         "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>" + centro(" Otro=\"A\xF1o\"")},
        {"byte sin carácter en windows-1252",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + centro(" Otro=\"A\x81o\"")},
        // The mark says UTF-8: the declared encoding cannot be the file's.
        {"marca de UTF-8 con otra codificación declarada",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + centro(" Otro=\"A\xC3\xB1o\"")},
    };
    return all;
}

class NotWellFormed : public ImportFixture {
protected:
    NotWellFormed() {
        writeSoluc({{"MAT", "CCM", "1", "1", "1ESOA", "GARCIAJ", "INF1"}});
        // An earlier output, from a good import.
        if (runImport() != RunOutcome::Completed) {
            ADD_FAILURE() << "the good import did not complete";
        }
    }

    // Runs the export or the import on the school file: it must fail naming
    // the file, with a reason, a line and a column.
    void expectRefused(const Case& c, bool exporting) {
        ui.dialogAnswers = {schoolFile};
        try {
            if (exporting) {
                exporting::runExport(state, ui);
            } else {
                importing::runImport(state, ui);
            }
            ADD_FAILURE() << c.fault << ": " << (exporting ? "the export" : "the import") << " completed";
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("El archivo «" + schoolFile + "» no es un documento XML válido: ", 0), 0u)
                << c.fault << ": " << message;
            EXPECT_NE(message.find("(línea "), std::string::npos) << c.fault << ": " << message;
            EXPECT_NE(message.find(", columna "), std::string::npos) << c.fault << ": " << message;
        }
    }
};

TEST_F(NotWellFormed, EveryRunRefusesEachDocumentAndTouchesNothing) {
    const auto horavia = snapshot(htemp.path());
    const std::string earlierOutput = readText(outputFile());
    const std::filesystem::path timetable = outputFile().parent_path() / "HorarioHoraviacentro.html";
    const std::string earlierTimetable = readText(timetable);
    state.TransformStatus = 0;
    for (const Case& c : cases()) {
        writeText(schoolFile, c.bytes);
        expectRefused(c, true);
        expectRefused(c, false);
        EXPECT_EQ(snapshot(htemp.path()), horavia) << c.fault;
        EXPECT_EQ(readText(outputFile()), earlierOutput) << c.fault;
        EXPECT_EQ(state.TransformStatus, 0) << c.fault;
        EXPECT_EQ(readText(timetable), earlierTimetable) << c.fault;
        // The school's file, the earlier result and its timetable document.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 3) << c.fault;
    }
}

// A school's file nested 200,000 elements deep: each run gives its result.
TEST_F(NotWellFormed, ADeepDocumentGivesAResultInBothDirections) {
    constexpr int kDepth = 200000;
    std::string body = "<Materias><Materia Codigo=\"MAT\" Denominacion=\"M\"/><Materia Codigo=\"LCL\" "
                       "Denominacion=\"L\"/></Materias>";
    for (int i = 0; i < kDepth; ++i) {
        body += "<Materias>";
    }
    for (int i = 0; i < kDepth; ++i) {
        body += "</Materias>";
    }
    writeText(schoolFile, "<?xml version=\"1.0\"?>\n" + centro("", body));
    ui.dialogAnswers = {schoolFile};
    ASSERT_EQ(importing::runImport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(activities().size(), 1u);
    ui.dialogAnswers = {schoolFile};
    ASSERT_EQ(exporting::runExport(state, ui), RunOutcome::Completed);
    EXPECT_EQ(testing::dumpRows(htemp.path(), "ASIGNOMT", {"COD"}), (std::vector<std::string>{"MAT", "LCL"}));
}

} // namespace
} // namespace vinculor
