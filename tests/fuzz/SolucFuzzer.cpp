// Any bytes as Horavia's solution table SOLUC. First the table store's reads
// on their own (open, every field of every record as text, integer and
// number, locate); then, when the table has the seven fields the import
// reads, the whole import against the look-up tables of a small school.
#include "FuzzSupport.h"
#include "base/Error.h"
#include "dbf/DbfFieldCodec.h"
#include "dbf/Table.h"
#include "import/ImportRun.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "xml/XmlDocument.h"

#include <set>

namespace vinculor::fuzzing {
namespace {

constexpr const char* kSolucFields[] = {"ASIG", "TAREA", "DIA", "HORA", "CODGRUPO", "PROF", "AULA"};

std::set<std::string> fileNames(const fs::path& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    names.erase("SOLUC.DBF");
    return names;
}

struct Scratch {
    fs::path htemp = scratchDirectory() / "HTEMP";
    fs::path school = scratchDirectory() / "centro.xml";
    fs::path output = scratchDirectory() / "ResultadoHoraviacentro.xml";
    std::set<std::string> names; // of the look-up tables' files

    Scratch() {
        fs::create_directory(htemp);
        exportSchool(smallSchool(), htemp);
        names = fileNames(htemp);
        // Only the root's attributes are read from the school's file.
        testing::writeText(school, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                   "<Centro Codigo=\"35000001\" Nombre=\"CEIP \xD1o\xF1"
                                   "o\" CursoEscolar=\"2026/2027\" Version=\"3.2\"/>\n");
    }
};

template <typename Read> void tolerating(Read read) {
    try {
        read();
    } catch (const Error&) {
        // A field whose text is not a number, say.
    }
}

// Returns whether the table opened and has every field the import reads.
bool readAlone(const fs::path& htemp) {
    Table soluc(htemp, "SOLUC");
    try {
        soluc.open();
    } catch (const Error&) {
        return false;
    }
    // Past open() every read but a number's conversion must succeed.
    const std::vector<FieldInfo> fields = soluc.fields();
    std::size_t seen = 0;
    std::string lastText;
    for (soluc.first(); !soluc.eof(); soluc.next()) {
        ++seen;
        for (const FieldInfo& f : fields) {
            lastText = soluc.getText(f.name);
            // Text fields as numbers on the first record only: mostly they throw, and throwing is slow.
            if (isNumeric(f.type) || seen == 1) {
                tolerating([&] { (void)soluc.getInt(f.name); });
                tolerating([&] { (void)soluc.getDouble(f.name); });
            }
        }
        tolerating([&] { (void)soluc.getFirstFieldInt(); });
    }
    check(seen == soluc.recordCount(), "la tabla recorre otro número de registros del que cuenta");
    check(soluc.eof(), "la tabla no acaba tras el último registro");
    if (seen > 0) {
        // The last field of the last record: locate must find a record with that very text.
        const std::string& field = fields.back().name;
        check(soluc.locate(field, lastText), "locate no encuentra un valor leído de la tabla");
        check(soluc.getText(field) == lastText, "locate se coloca en un registro con otro valor");
    }
    check(!soluc.locate(fields.front().name, std::string(300, 'x')), "locate encuentra un valor imposible");
    bool complete = true;
    for (const char* name : kSolucFields) {
        complete = complete && soluc.hasField(name);
    }
    soluc.discard();
    return complete;
}

void importAgainstTheSchool(const Scratch& s) {
    RunState state;
    state.horaviaDir = s.htemp;
    state.tables.bindAll(s.htemp);
    testing::ScriptedUi ui;
    ui.dialogAnswers = {s.school.string()};
    bool completed = false;
    try {
        completed = importing::runImport(state, ui) == RunOutcome::Completed;
        check(completed, "la importación no encuentra SOLUC");
    } catch (const Error&) {
        check(!fs::exists(s.output), "una importación fallida ha escrito su documento");
    }
    if (completed) {
        XmlDocument out;
        out.load(s.output); // an error here escapes: a finding
        check(out.documentElement().name() == "Centro", "el documento importado no tiene la raíz Centro");
        check(out.selectNodes("/Centro/horario/actividad").size() ==
                  state.summary.lessons + state.summary.tasks,
              "el documento importado no tiene una actividad por clase o tarea contada");
        fs::remove(s.output);
    }
    // Nothing else beside the school's file: no temporary file left behind.
    check(fileNames(scratchDirectory()) == std::set<std::string>{"HTEMP", "centro.xml"},
          "la importación ha dejado archivos junto al de Pincel-eKade");
}

} // namespace
} // namespace vinculor::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vinculor::fuzzing;
    static Scratch s;
    vinculor::testing::writeText(s.htemp / "SOLUC.DBF", std::string(bytesOf(data, size)));
    if (readAlone(s.htemp)) {
        importAgainstTheSchool(s);
        check(fileNames(s.htemp) == s.names,
              "la importación ha dejado o quitado archivos en el directorio de Horavia");
    }
    return 0;
}
