// The whole export of an arbitrary file: the school-administration file is
// the fuzzer's bytes, the Horavia directory holds tables of an earlier run.
// A run that fails must leave that directory byte for byte as it was; one
// that completes must leave exactly the new set, every table readable.
#include "FuzzSupport.h"
#include "export/ExportContext.h"
#include "export/ExportRun.h"
#include "base/Error.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <set>

namespace vinculor::fuzzing {
namespace {

// What an earlier export and the timetabling program left behind.
const std::map<std::string, std::string> kEarlier = {
    {"ASIGNOMT.DBF", "tabla de una exportación anterior"},
    {"cursost.mdx", "índice de una exportación anterior"},
    {"SOLUC.DBF", "solución de Horavia"},
};

struct Scratch {
    fs::path input = scratchDirectory() / "centro.xml";
    fs::path htemp = scratchDirectory() / "HTEMP";
    std::map<std::string, std::string> earlier;

    Scratch() {
        fs::create_directory(htemp);
        resetDirectory(htemp, kEarlier);
        earlier = testing::snapshot(htemp);
    }
};

void checkNewSet(const Scratch& s) {
    const auto after = testing::snapshot(s.htemp);
    std::set<std::string> names;
    for (const auto& [name, bytes] : after) {
        names.insert(name);
    }
    std::set<std::string> expected = {"COUNTSES.MDX", "SOLUC.DBF"};
    for (const std::string& table : exporting::kExportTables) {
        expected.insert(table + ".DBF");
    }
    check(names == expected, "la exportación terminada no deja exactamente las siete tablas nuevas");
    check(after.at("SOLUC.DBF") == kEarlier.at("SOLUC.DBF"), "la exportación ha cambiado SOLUC");
    for (const std::string& table : exporting::kExportTables) {
        try {
            (void)testing::dumpRows(s.htemp, table);
        } catch (const Error& e) {
            check(false, "la tabla " + table + " escrita no se puede leer: " + e.what());
        }
    }
}

} // namespace
} // namespace vinculor::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vinculor;
    using namespace vinculor::fuzzing;
    static Scratch s;
    testing::writeText(s.input, std::string(bytesOf(data, size)));

    RunState state;
    state.horaviaDir = s.htemp;
    state.tables.bindAll(s.htemp);
    testing::ScriptedUi ui;
    ui.dialogAnswers = {s.input.string()};
    bool completed = false;
    try {
        completed = exporting::runExport(state, ui) == RunOutcome::Completed;
        check(completed, "el archivo existe y la exportación dice que falta");
    } catch (const Error&) {
        // The expected end of a bad file: the message is checked by the tests.
    }
    check(!ui.hourglass, "la exportación deja el cursor de espera");
    if (completed) {
        checkNewSet(s);
        resetDirectory(s.htemp, kEarlier);
    } else {
        check(testing::snapshot(s.htemp) == s.earlier,
              "una exportación fallida ha cambiado el directorio de Horavia");
    }
    return 0;
}
