#include "import/ImportRun.h"

#include "base/Error.h"
#include "base/Memory.h"
#include "files/DirectoryLock.h"
#include "files/FileLookup.h"
#include "files/FileSystem.h"
#include "import/ActivityPasses.h"
#include "import/ExportTimestamp.h"
#include "import/SolucSchema.h"
#include "import/TimetableStep.h"
#include "run/HoraviaRecovery.h"
#include "run/RunMessages.h"
#include "text/Text.h"
#include "timetable/TimetableFile.h"
#include "xml/XmlFamilies.h"

#include <ctime>
#include <optional>

namespace vinculor::importing {

namespace {

constexpr const char* kHeaderAttributes[] = {"Codigo", "Nombre", "CursoEscolar", "Version"};

// Keeps the run's tables open while it lives and closes them, without
// writing, however the run ends.
class OpenTables {
public:
    explicit OpenTables(TableComponents& c)
        : components_(c), order_{&c.wwTableSoluc,  &c.wwTableGrupos, &c.wwTableProfesor, &c.wwTableAulas,
                                 &c.wwTableNomAsg, &c.wwTableTramos, &c.wwTableAsig} {
        // A table that fails to open must not leave the ones before it open
        // (and locked): the destructor does not run for a half-made object.
        try {
            for (Table* table : order_) {
                table->open();
            }
        } catch (...) {
            components_.closeAllQuietly();
            throw;
        }
    }
    ~OpenTables() { components_.closeAllQuietly(); }
    OpenTables(const OpenTables&) = delete;
    OpenTables& operator=(const OpenTables&) = delete;

private:
    TableComponents& components_;
    std::vector<Table*> order_;
};

// The school's file, read whole and checked on the way; kept of it are the
// four attributes of its root that the output carries over and what lies
// outside the root. It must be the administration system's.
XmlFamilies readSchoolHeader(const std::string& file) {
    // The timetable document's names and plan come in the same pass.
    static const std::vector<XmlFamilySpec> header = [] {
        std::vector<XmlFamilySpec> families = {
            {"/Centro", {std::begin(kHeaderAttributes), std::end(kHeaderAttributes)}}};
        for (const XmlFamilySpec& f : timetable::SchoolNames::families()) {
            families.push_back(f);
        }
        return families;
    }();
    XmlFamilies doc = XmlFamilies::read(files::fromUtf8(file), header);
    if (doc.rootName() != "Centro") {
        throw Error("El archivo «" + file +
                    "» no es un archivo de datos de Pincel-eKade: su elemento raíz es «" + doc.rootName() +
                    "» y no «Centro».");
    }
    const XmlNode root = doc.selectSingleNode("/Centro");
    for (const char* name : kHeaderAttributes) {
        if (!root.hasAttribute(name)) {
            throw Error("El elemento «Centro» del archivo «" + file + "» no tiene el atributo «" + name +
                        "».");
        }
    }
    return doc;
}

void checkSolucFields(const Table& soluc) {
    for (const std::string_view field : kSolucFields) {
        if (!soluc.hasField(field)) {
            throw Error(
                "La tabla SOLUC no tiene el campo " + std::string(field) + " (archivo «" +
                files::toUtf8(soluc.dataPath()) +
                "»): no es una solución guardada por Horavia. Calcule y guarde el horario en Horavia y "
                "vuelva a importar.");
        }
    }
}

std::filesystem::path outputPath(const std::string& input) {
    const std::filesystem::path path = files::fromUtf8(input);
    return path.parent_path() / files::fromUtf8("ResultadoHoravia" + files::toUtf8(path.filename()));
}

} // namespace

RunOutcome runImport(RunState& state, RunUi& ui) {
    releaseLargeBlocksWhenFreed();
    state.summary = RunSummary{};
    state.summary.direction = "importar";

    ui.showMessage(
        "Deberá Abrir el fichero XML de PINCEL-Ekade,\r\ndesde el cual realizó la Importación a Horavia");
    if (std::optional<std::string> chosen = ui.chooseXmlFile()) {
        state.filenameXML = *chosen;
    }
    const bool fileFound = files::isRegularFile(files::fromUtf8(state.filenameXML));
    if (!fileFound || !files::findCaseInsensitive(state.horaviaDir, "SOLUC.DBF")) {
        ui.showMessage("No existe archivo XML o Solución.",
                       missingImportInputDetails(state.filenameXML, fileFound, state.horaviaDir));
        if (state.commandLineMode()) {
            state.TransformStatus = -1;
            ui.closeWindow();
        }
        return RunOutcome::InputMissing;
    }

    state.summary.inputFile = state.filenameXML;
    state.summary.horaviaDir = files::toUtf8(state.horaviaDir);
    constexpr std::size_t kSteps = 6;
    const std::filesystem::path output = outputPath(state.filenameXML);
    {
        Hourglass hourglass(ui);
        ui.progress("Abriendo las tablas de Horavia", 0, kSteps);
        DirectoryLock lock(state.horaviaDir);
        state.summary.recovered = recoverHoraviaDirectory(state.horaviaDir);
        for (const std::filesystem::path& document :
             {output, timetable::timetableFileFor(files::fromUtf8(state.filenameXML))}) {
            removeInterruptedWrites(document, state.summary);
        }
        state.tables.bindAll(state.horaviaDir);
        std::optional<OpenTables> open(std::in_place, state.tables);
        TableComponents& c = state.tables;
        checkSolucFields(c.wwTableSoluc);

        ui.progress("Leyendo el archivo XML", 1, kSteps);
        std::optional<XmlFamilies> doc(readSchoolHeader(state.filenameXML));
        timetable::SchoolNames names = timetable::SchoolNames::read(*doc);
        const XmlNode oldRoot = doc->selectSingleNode("/Centro");
        std::vector<std::string> header;
        for (const char* name : kHeaderAttributes) {
            header.push_back(text::trim(oldRoot.attributeView(name)));
        }
        const std::string timestamp = exportTimestamp(std::time(nullptr));

        // The new document keeps what lay outside the old root, and its
        // activities go to the file as they come: it is put in place once the
        // passes are done.
        XmlChildStream activities(doc->outside(), "Centro",
                                  {{"Codigo", header[0]},
                                   {"Nombre", header[1]},
                                   {"CursoEscolar", header[2]},
                                   {"FechaExportacion", timestamp},
                                   {"Version", header[3]}},
                                  "horario", output);
        // All that the run needs of the school's file is kept by now.
        doc.reset();
        ActivityTables tables{c.wwTableSoluc, c.wwTableGrupos, c.wwTableProfesor,
                              c.wwTableAulas, c.wwTableNomAsg, c.wwTableTramos};
        ui.progress("Clases (SOLUC)", 2, kSteps);
        timetable::Timetable timetable(timetable::timetableFileFor(files::fromUtf8(state.filenameXML)));
        {
            // Its look-up tables and the tasks kept aside go once the passes are done.
            ActivityPasses passes(tables, &activities, state.summary, timetable, output);
            passes.lessons();
            ui.progress("Tareas (SOLUC)", 3, kSteps);
            passes.tasks();
        }
        // Counted by the walks over SOLUC, which is never read whole.
        state.summary.solucRecords = c.wwTableSoluc.recordCount();
        open.reset();

        ui.progress("Guardando el resultado", 4, kSteps);
        activities.finish();
        state.summary.valuesWithControlCharacters = activities.replacedValues();
        state.summary.outputFile = files::toUtf8(output);
        // Once the result is in place: its picture never holds it back.
        ui.progress("Escribiendo el horario", 5, kSteps);
        writeTimetable(files::fromUtf8(state.filenameXML), timetable, names, timestamp, state.summary);
    }

    state.TransformStatus = 1;
    ui.showReport("Proceso finalizado", state.summary);
    if (state.commandLineMode()) {
        ui.closeWindow();
    }
    return RunOutcome::Completed;
}

} // namespace vinculor::importing
