#include "timetable/TimetableFile.h"

#include "files/FileSystem.h"
#include "timetable/HtmlWriter.h"
#include "timetable/TimetableDocument.h"

namespace vinculor::timetable {

std::filesystem::path timetableFileFor(const std::filesystem::path& schoolFile) {
    return schoolFile.parent_path() /
           files::fromUtf8("HorarioHoravia" + files::toUtf8(schoolFile.stem()) + ".html");
}

void saveTimetableDocument(const std::filesystem::path& path, const Timetable& timetable,
                           const TimetableCheck& check, const ShownNames& shown, const SchoolNames& names,
                           const std::string& runDate) {
    files::AtomicFileWriter file(path);
    HtmlWriter out([&](std::string_view piece) { file.write(piece); });
    writeTimetableDocument(out, timetable, check, shown, names, runDate);
    out.finish();
    file.commit();
}

} // namespace vinculor::timetable
