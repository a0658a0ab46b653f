#include "import/ImportRun.h"

#include "base/Error.h"
#include "files/DirectoryLock.h"
#include "files/FileLookup.h"
#include "files/FileSystem.h"
#include "import/ActivityPasses.h"
#include "import/ExportTimestamp.h"
#include "import/SolucSchema.h"
#include "run/HoraviaRecovery.h"
#include "text/Text.h"

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

// The school's file: it must load and be the administration system's, with the
// four attributes of its root that the output carries over.
void checkSchoolFile(const XmlDocument& doc, const std::string& file) {
    const XmlNode root = doc.documentElement();
    if (root.name() != "Centro") {
        throw Error("El archivo «" + file +
                    "» no es un archivo de datos de Pincel-eKade: su elemento raíz es «" + root.name() +
                    "» y no «Centro».");
    }
    for (const char* name : kHeaderAttributes) {
        if (!root.hasAttribute(name)) {
            throw Error("El elemento «Centro» del archivo «" + file + "» no tiene el atributo «" + name +
                        "».");
        }
    }
}

void checkSolucFields(const Table& soluc) {
    for (const std::string_view field : kSolucFields) {
        if (!soluc.hasField(field)) {
            throw Error("La tabla SOLUC no tiene el campo " + std::string(field));
        }
    }
}

std::filesystem::path outputPath(const std::string& input) {
    const std::filesystem::path path = files::fromUtf8(input);
    return path.parent_path() / files::fromUtf8("ResultadoHoravia" + files::toUtf8(path.filename()));
}

} // namespace

RunOutcome runImport(RunState& state, RunUi& ui) {
    state.summary = RunSummary{};
    state.summary.direction = "importar";

    ui.showMessage(
        "Deberá Abrir el fichero XML de PINCEL-Ekade,\r\ndesde el cual realizó la Importación a Horavia");
    if (std::optional<std::string> chosen = ui.chooseXmlFile()) {
        state.filenameXML = *chosen;
    }
    if (!files::isRegularFile(files::fromUtf8(state.filenameXML)) ||
        !files::findCaseInsensitive(state.horaviaDir, "SOLUC.DBF")) {
        ui.showMessage("No existe archivo XML o Solución.");
        if (state.commandLineMode()) {
            state.TransformStatus = -1;
            ui.closeWindow();
        }
        return RunOutcome::InputMissing;
    }

    const std::filesystem::path output = outputPath(state.filenameXML);
    {
        Hourglass hourglass(ui);
        DirectoryLock lock(state.horaviaDir);
        state.summary.recovered = recoverHoraviaDirectory(state.horaviaDir);
        for (const std::filesystem::path& leftover : files::removeStaleTemporaries(output)) {
            state.summary.recovered.push_back("Archivo temporal de una importación interrumpida borrado: «" +
                                              files::toUtf8(leftover) + "».");
        }
        state.tables.bindAll(state.horaviaDir);
        std::optional<OpenTables> open(std::in_place, state.tables);
        TableComponents& c = state.tables;
        checkSolucFields(c.wwTableSoluc);

        state.XmlDoc = std::make_unique<XmlDocument>();
        XmlDocument& doc = *state.XmlDoc;
        doc.load(files::fromUtf8(state.filenameXML));
        checkSchoolFile(doc, state.filenameXML);

        const XmlNode oldRoot = doc.selectSingleNode("/Centro");
        std::vector<std::string> header;
        for (const char* name : kHeaderAttributes) {
            header.push_back(text::trim(oldRoot.attribute(name)));
        }
        doc.removeChild(oldRoot);

        XmlNode root = doc.appendElement("Centro");
        root.setAttribute("Codigo", header[0]);
        root.setAttribute("Nombre", header[1]);
        root.setAttribute("CursoEscolar", header[2]);
        root.setAttribute("FechaExportacion", exportTimestamp(std::time(nullptr)));
        root.setAttribute("Version", header[3]);
        XmlNode horario = root.appendElement("horario");

        // The activities go to the file as they come: the document is saved
        // while the passes run, and put in place once they are done.
        XmlChildStream activities(doc, horario, output);
        ActivityTables tables{c.wwTableSoluc, c.wwTableGrupos, c.wwTableProfesor,
                              c.wwTableAulas, c.wwTableNomAsg, c.wwTableTramos};
        lessonPass(tables, activities, state.summary);
        taskPass(tables, activities, state.summary);
        // Counted by the walks over SOLUC, which is never read whole.
        state.summary.solucRecords = c.wwTableSoluc.recordCount();
        open.reset();

        activities.finish();
        state.summary.valuesWithControlCharacters = activities.replacedValues();
        state.summary.outputFile = files::toUtf8(output);
    }

    state.TransformStatus = 1;
    ui.showMessage("Proceso finalizado", state.summary.toText());
    if (state.commandLineMode()) {
        ui.closeWindow();
    }
    return RunOutcome::Completed;
}

} // namespace vinculor::importing
