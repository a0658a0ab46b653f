#include "timetable/TimetableFile.h"

#include "files/FileSystem.h"
#include "timetable/HtmlWriter.h"
#include "timetable/TimetableDocument.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vinculor::timetable {

std::filesystem::path timetableFileFor(const std::filesystem::path& schoolFile) {
    return schoolFile.parent_path() /
           files::fromUtf8("HorarioHoravia" + files::toUtf8(schoolFile.stem()) + ".html");
}

TimetableCheck saveTimetableDocument(const std::filesystem::path& path, const Timetable& timetable,
                                     const SchoolNames& names, const std::string& runDate) {
    files::AtomicFileWriter file(path);
    TimetableCheck check;
    {
        files::AtomicFileWriter spill(path); // never committed: it goes away with its writer
        std::uint64_t spilled = 0;
        HtmlWriter grids([&](std::string_view piece) {
            spill.writeAt(spilled, piece);
            spilled += piece.size();
        });
        HtmlWriter head([&](std::string_view piece) { file.write(piece); });
        check = writeTimetableDocument(head, grids, timetable, names, runDate);
        grids.finish();
        head.finish();
        std::vector<char> piece(std::size_t{1} << 20);
        for (std::uint64_t at = 0; at < spilled;) {
            const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), spilled - at));
            spill.readAt(at, piece.data(), size);
            file.write(std::string_view(piece.data(), size));
            at += size;
        }
    }
    file.commit();
    return check;
}

} // namespace vinculor::timetable
