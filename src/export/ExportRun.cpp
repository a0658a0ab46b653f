#include "export/ExportRun.h"

#include "base/Error.h"
#include "export/ExportContext.h"
#include "export/HoraviaStaging.h"
#include "files/DirectoryLock.h"
#include "files/FileSystem.h"
#include "run/HoraviaRecovery.h"
#include "run/RunMessages.h"
#include "text/Text.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>

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

// Reads the school's file in one pass, keeping only what the steps read.
XmlFamilies readSchoolFile(const std::string& file) {
    XmlFamilies doc = XmlFamilies::read(files::fromUtf8(file), schoolFamilies());
    if (doc.rootName() != "Centro") {
        throw Error("El archivo «" + file +
                    "» no es un archivo de datos de Pincel-eKade: su elemento raíz es «" + doc.rootName() +
                    "» y no «Centro».");
    }
    return doc;
}

// The element families the steps read. A document with none of them is not a
// school's data (the import's own result is the likely mistake); exporting it
// would empty every table, so the run refuses it before anything is touched.
// The check needs only how many elements each family gave.
constexpr std::array<std::string_view, 8> kSchoolFamilies = {
    "/Centro/Materias/Materia",     "/Centro/TiposActividad/TipoActividad",
    "/Centro/Profesores/Profesor",  "/Centro/Departamentos/Departamento",
    "/Centro/Aulas/Aula",           "/Centro/Grupos/Grupo",
    "/Centro/Ensenanzas/Ensenanza", "/Centro/Sesiones/Sesion"};

void refuseFileWithoutSchoolData(const std::array<std::size_t, kSchoolFamilies.size()>& familyCounts,
                                 bool hasTimetable, const std::string& file) {
    for (const std::size_t count : familyCounts) {
        if (count > 0) {
            return;
        }
    }
    std::string message =
        "El archivo «" + file +
        "» no tiene datos del centro: ni materias, ni tipos de actividad, ni profesores, ni "
        "departamentos, ni aulas, ni grupos, ni enseñanzas, ni sesiones. No se ha tocado "
        "ninguna tabla.";
    if (hasTimetable) {
        message += "\nTiene un elemento «horario»: parece el resultado de una importación "
                   "(ResultadoHoravia…). Elija el archivo XML que exportó Pincel-eKade.";
    }
    throw Error(message);
}

void checkSchoolData(const XmlFamilies& doc, const std::string& file) {
    std::array<std::size_t, kSchoolFamilies.size()> counts{};
    for (std::size_t i = 0; i < kSchoolFamilies.size(); ++i) {
        counts[i] = doc.selectNodes(kSchoolFamilies[i]).size();
    }
    refuseFileWithoutSchoolData(counts, static_cast<bool>(doc.selectSingleNode("/Centro/horario")), file);
}

// The codes that become keys in Horavia's tables, each as the user knows its
// element, and which of its characters the tables keep: the first `kept`,
// and, where a code of more than ten is shortened to Horavia's own (its first
// eight and its last two), the last two as well. The rest never reaches them.
struct CodedFamily {
    std::string_view path;
    std::size_t codePlace;
    const char* element;
    bool shortened;
    std::size_t kept = 10;
    std::optional<std::size_t> namePlace = std::nullopt; // keys, by its first ten characters, an
                                                         // element that has no code
};
// A group subject names a subject: where it names none the summary says so,
// and where it names one, that one is checked.
constexpr std::array<CodedFamily, 5> kCodedFamilies = {{
    {"/Centro/Materias/Materia", coded::Codigo, "una materia (Materia)", true},
    {"/Centro/TiposActividad/TipoActividad", coded::Codigo, "un tipo de actividad (TipoActividad)", true},
    {"/Centro/Profesores/Profesor", teacher::Codigo, "un profesor (Profesor)", false},
    {"/Centro/Aulas/Aula", coded::Codigo, "un aula (Aula)", true, 20, coded::Denominacion},
    {"/Centro/Grupos/Grupo", group::Codigo, "un grupo (Grupo)", true},
}};

// The tables hold code page 1252. A code with a character that 1252 lacks
// would be stored with '?' in its place: two codes could become one, and the
// import would give back a code the school's file does not have. The run
// refuses such a file before any table is touched; names are only shown, and
// keep their '?', except the name that stands for a room's missing code.
// `character` is the first character of `value` that the tables keep and
// cannot hold; `position` counts characters from 1.
[[noreturn]] void cannotHold(std::string_view value, std::string_view character, std::size_t position,
                             const CodedFamily& family, bool isName, const std::string& file) {
    // Which it is: it may be a control character or a zero-width one, which
    // shows as nothing.
    std::size_t at = 0;
    const char32_t point = text::decodeUtf8(character, at);
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(point));
    std::string message =
        (isName
             ? "El nombre «" + std::string(value) + "» de " + family.element + " sin código del archivo «" +
                   file + "», cuyos diez primeros caracteres hacen de código,"
             : "El código «" + std::string(value) + "» de " + family.element + " del archivo «" + file +
                   "»") +
        " tiene en la posición " + std::to_string(position) + " el carácter «" + std::string(character) +
        "» (" + hex + "), que las tablas de Horavia no pueden guardar: quedaría como «" +
        text::cp1252ToUtf8(text::utf8ToCp1252(value)) + "» y la importación no podría devolverlo. " +
        (isName ? "Dé un código al aula, o cambie su nombre," : "Cambie ese código") +
        " en Pincel-eKade y vuelva a exportar.";
    if (point >= 0x80 && point <= 0x9F) {
        message += " Es un carácter de control: si en Pincel-eKade se ve otro (como «–» o «’»), el archivo "
                   "está escrito en windows-1252 aunque su declaración diga otra codificación.";
    }
    throw Error(message);
}

void refuseCodesTheTablesCannotHold(const XmlFamilies& doc, const std::string& file) {
    for (const CodedFamily& family : kCodedFamilies) {
        for (const XmlNode& node : doc.selectNodes(family.path)) {
            std::string_view value = attr(node, family.codePlace);
            std::size_t kept = family.kept;
            bool lastTwoKept = family.shortened;
            const bool isName = value.empty() && family.namePlace;
            if (isName) {
                value = attr(node, *family.namePlace); // what stands for the code
                kept = 10;
                lastTwoKept = false;
            }
            if (text::firstOutsideCp1252(value).empty()) {
                continue; // all of it fits, as almost always
            }
            const std::size_t length = text::length(value);
            std::size_t index = 0;
            for (std::size_t pos = 0; pos < value.size(); ++index) {
                const std::size_t start = pos;
                text::decodeUtf8(value, pos);
                const std::string_view character = value.substr(start, pos - start);
                const bool keptHere = index < kept || (lastTwoKept && length > 10 && index + 2 >= length);
                if (keptHere && !text::firstOutsideCp1252(character).empty()) {
                    cannotHold(value, character, index + 1, family, isName, file);
                }
            }
        }
    }
}

// The steps as the user reads them in the progress report.
constexpr std::array<const char*, 9> kStepNames = {
    "Leyendo el archivo XML",   "Preparando la carpeta de Horavia",
    "Materias (ASIGNOMT)",      "Tipos de actividad (ASIGNOMT)",
    "Profesores (PROFT)",       "Aulas (AULAT)",
    "Grupos (GRUPOST)",         "Sesiones (DIASHORAST, COUNTSES)",
    "Materias de grupo (ASIGT)"};

} // namespace

RunOutcome runExport(RunState& state, RunUi& ui) {
    state.summary = RunSummary{};
    state.summary.direction = "exportar";

    if (std::optional<std::string> chosen = ui.chooseXmlFile()) {
        state.filenameXML = *chosen;
    }
    if (!files::isRegularFile(files::fromUtf8(state.filenameXML))) {
        ui.showMessage("No existe archivo", missingExportInputDetails(state.filenameXML));
        if (state.commandLineMode()) {
            state.TransformStatus = -1;
            ui.closeWindow();
        }
        return RunOutcome::InputMissing;
    }

    state.summary.inputFile = state.filenameXML;
    state.summary.horaviaDir = files::toUtf8(state.horaviaDir);
    std::size_t step = 0;
    const auto report = [&ui, &step] {
        ui.progress(kStepNames[step], step, kStepNames.size());
        ++step;
    };

    // A file that does not load, or is not the school's data, stops the run
    // before any table is touched. What the run read goes with it.
    report();
    const XmlFamilies doc = readSchoolFile(state.filenameXML);
    checkSchoolData(doc, state.filenameXML);
    refuseCodesTheTablesCannotHold(doc, state.filenameXML);
    {
        Hourglass hourglass(ui);
        report();
        DirectoryLock lock(state.horaviaDir);
        state.summary.recovered = recoverHoraviaDirectory(state.horaviaDir);
        HoraviaStaging staging(state.horaviaDir);
        TableComponentsGuard guard(state); // closes the tables before the staging folder goes
        state.tables.bindAll(staging.path());

        ExportContext ctx{state, doc, staging.path(), state.summary};
        report();
        ExportarMaterias(ctx);
        report();
        ExportarTiposActividad(ctx);
        report();
        ExportarProfesores(ctx);
        report();
        ExportarAulas(ctx);
        report();
        ExportarGrupos(ctx);
        report();
        const SessionLengths lengths = ExportarSesiones(ctx);
        report();
        ExportarMateriasGrupo(ctx, lengths);

        state.tables.closeAllQuietly();
        staging.commit(kExportTables, {"CURSOST"});
    }

    state.TransformStatus = 1;
    ui.showReport("Proceso finalizado", state.summary);
    if (state.commandLineMode()) {
        ui.closeWindow();
    }
    return RunOutcome::Completed;
}

} // namespace vinculor::exporting
