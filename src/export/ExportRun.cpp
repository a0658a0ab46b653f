#include "export/ExportRun.h"

#include "base/Error.h"
#include "export/ExportContext.h"
#include "export/HoraviaStaging.h"
#include "files/DirectoryLock.h"
#include "files/FileSystem.h"
#include "run/HoraviaRecovery.h"

namespace vinculor::exporting {

namespace {

// Leaves the window's table components closed and bound to the Horavia
// directory, however the run ends.
class TableComponentsGuard {
public:
    explicit TableComponentsGuard(RunState& state) : state_(state) {}
    ~TableComponentsGuard() {
        state_.tables.closeAllQuietly();
        state_.tables.bindAll(state_.horaviaDir);
    }
    TableComponentsGuard(const TableComponentsGuard&) = delete;
    TableComponentsGuard& operator=(const TableComponentsGuard&) = delete;

private:
    RunState& state_;
};

std::unique_ptr<XmlDocument> loadSchoolFile(const std::string& file) {
    auto doc = std::make_unique<XmlDocument>();
    doc->load(files::fromUtf8(file));
    const XmlNode root = doc->documentElement();
    if (root.name() != "Centro") {
        throw Error("El archivo «" + file +
                    "» no es un archivo de datos de Pincel-eKade: su elemento raíz es «" + root.name() +
                    "» y no «Centro».");
    }
    return doc;
}

} // namespace

RunOutcome runExport(RunState& state, RunUi& ui) {
    state.summary = RunSummary{};
    state.summary.direction = "exportar";

    if (std::optional<std::string> chosen = ui.chooseXmlFile()) {
        state.filenameXML = *chosen;
    }
    if (!files::isRegularFile(files::fromUtf8(state.filenameXML))) {
        ui.showMessage("No existe archivo");
        if (state.commandLineMode()) {
            state.TransformStatus = -1;
            ui.closeWindow();
        }
        return RunOutcome::InputMissing;
    }

    // A file that does not load, or is not the school's data, stops the run
    // before any table is touched.
    state.XmlDoc = loadSchoolFile(state.filenameXML);
    {
        Hourglass hourglass(ui);
        DirectoryLock lock(state.horaviaDir);
        state.summary.recovered = recoverHoraviaDirectory(state.horaviaDir);
        HoraviaStaging staging(state.horaviaDir);
        TableComponentsGuard guard(state); // closes the tables before the staging folder goes
        state.tables.bindAll(staging.path());
        state.ShortCodes.clear();
        state.LongCodes.clear();

        ExportContext ctx{state, *state.XmlDoc, staging.path(), state.summary};
        ExportarMaterias(ctx);
        ExportarTiposActividad(ctx);
        ExportarProfesores(ctx);
        ExportarAulas(ctx);
        ExportarGrupos(ctx);
        ExportarSesiones(ctx);
        ExportarMateriasGrupo(ctx);

        state.tables.closeAllQuietly();
        staging.commit(kExportTables, {"CURSOST"});
    }

    state.TransformStatus = 1;
    ui.showMessage("Proceso finalizado", state.summary.toText());
    if (state.commandLineMode()) {
        ui.closeWindow();
    }
    return RunOutcome::Completed;
}

} // namespace vinculor::exporting
