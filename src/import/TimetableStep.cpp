#include "import/TimetableStep.h"

#include "base/Error.h"
#include "base/Memory.h"
#include "files/DirectoryLock.h"
#include "files/FileLookup.h"
#include "files/FileSystem.h"
#include "import/ActivityPasses.h"
#include "import/ExportTimestamp.h"
#include "run/HoraviaRecovery.h"
#include "timetable/ShownNames.h"
#include "timetable/TimetableCheck.h"
#include "timetable/TimetableFile.h"

#include <ctime>

namespace vinculor::importing {

namespace {

// Checks the timetable and writes its document; a failure throws.
void checkAndSave(const std::filesystem::path& path, timetable::Timetable& timetable,
                  timetable::SchoolNames& names, const std::string& runDate, RunSummary& summary) {
    // What the document shows of the school's names is escaped while the
    // timetable's entries still wait aside; then those names go, before
    // the entries come back.
    const timetable::ShownNames shown(timetable, names);
    names.forgetNames();
    timetable.index();
    const timetable::TimetableCheck check = timetable::TimetableCheck::of(timetable, names);
    names.forgetPlan(); // the check keeps what it shows of it; the grids need room
    summary.groupClashes = check.clashCount[static_cast<std::size_t>(timetable::Axis::Group)];
    summary.teacherClashes = check.clashCount[static_cast<std::size_t>(timetable::Axis::Teacher)];
    summary.roomClashes = check.clashCount[static_cast<std::size_t>(timetable::Axis::Room)];
    summary.hoursDiffering = check.hoursCount;
    timetable::saveTimetableDocument(path, timetable, check, shown, names, runDate);
    summary.timetableFile = files::toUtf8(path);
}

} // namespace

void writeTimetable(const std::filesystem::path& schoolFile, timetable::Timetable& timetable,
                    timetable::SchoolNames& names, const std::string& runDate, RunSummary& summary) {
    const std::filesystem::path path = timetable::timetableFileFor(schoolFile);
    try {
        checkAndSave(path, timetable, names, runDate, summary);
    } catch (const Error& e) {
        summary.timetableError = e.what();
        files::removeFileQuietly(path);
    }
}

void removeInterruptedWrites(const std::filesystem::path& document, RunSummary& summary) {
    for (const std::filesystem::path& leftover : files::removeStaleTemporaries(document)) {
        summary.recovered.push_back("Archivo temporal de una importación interrumpida borrado: «" +
                                    files::toUtf8(leftover) + "».");
    }
}

RunOutcome runTimetable(const std::filesystem::path& schoolFile, const std::filesystem::path& horaviaDir,
                        RunSummary& summary) {
    releaseLargeBlocksWhenFreed();
    summary = RunSummary{};
    summary.direction = "horario";
    if (!files::isRegularFile(schoolFile) || !files::findCaseInsensitive(horaviaDir, "SOLUC.DBF")) {
        return RunOutcome::InputMissing;
    }
    summary.inputFile = files::toUtf8(schoolFile);
    summary.horaviaDir = files::toUtf8(horaviaDir);

    DirectoryLock lock(horaviaDir);
    summary.recovered = recoverHoraviaDirectory(horaviaDir); // never half of two sets of tables
    removeInterruptedWrites(timetable::timetableFileFor(schoolFile), summary);
    TableComponents c;
    c.bindAll(horaviaDir);
    struct Closer {
        TableComponents& c;
        ~Closer() { c.closeAllQuietly(); }
    } closer{c};
    for (Table* table : {&c.wwTableSoluc, &c.wwTableGrupos, &c.wwTableProfesor, &c.wwTableAulas,
                         &c.wwTableNomAsg, &c.wwTableTramos}) {
        table->open();
    }

    std::vector<XmlFamilySpec> families = {{"/Centro", {"Codigo", "Nombre", "CursoEscolar"}}};
    for (const XmlFamilySpec& f : timetable::SchoolNames::families()) {
        families.push_back(f);
    }
    const XmlFamilies doc = XmlFamilies::read(schoolFile, families);
    if (doc.rootName() != "Centro") {
        throw Error("El archivo «" + files::toUtf8(schoolFile) +
                    "» no es un archivo de datos de Pincel-eKade: su elemento raíz es «" + doc.rootName() +
                    "» y no «Centro».");
    }
    timetable::Timetable timetable(timetable::timetableFileFor(schoolFile));
    ActivityTables tables{c.wwTableSoluc, c.wwTableGrupos, c.wwTableProfesor,
                          c.wwTableAulas, c.wwTableNomAsg, c.wwTableTramos};
    {
        ActivityPasses passes(tables, nullptr, summary, timetable, timetable::timetableFileFor(schoolFile));
        passes.lessons();
        passes.tasks();
    }
    summary.solucRecords = c.wwTableSoluc.recordCount();
    c.closeAllQuietly();
    timetable::SchoolNames names = timetable::SchoolNames::read(doc); // once the tables are closed

    // A failure here keeps the earlier document.
    checkAndSave(timetable::timetableFileFor(schoolFile), timetable, names,
                 exportTimestamp(std::time(nullptr)), summary);
    return RunOutcome::Completed;
}

} // namespace vinculor::importing
