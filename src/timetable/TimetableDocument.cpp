#include "timetable/TimetableDocument.h"

#include "base/Prefetch.h"
#include "timetable/HtmlWriter.h"
#include "timetable/SchoolNames.h"
#include "timetable/ShownNames.h"
#include "timetable/Timetable.h"
#include "timetable/TimetableCheck.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>

namespace vinculor::timetable {

namespace {

// How many entries ahead of the one it reads a walk over the grids asks for (Timetable::prefetch).
constexpr std::size_t kReadAhead = 16;

constexpr std::array<const char*, 8> kDayNames = {"",       "Lunes",   "Martes", "Miércoles",
                                                  "Jueves", "Viernes", "Sábado", "Domingo"};

constexpr const char* kStyle = R"(
body{font-family:"Liberation Sans",Arial,Helvetica,sans-serif;color:#000;background:#fff;margin:1.5em;font-size:11pt}
h1{font-size:18pt;margin:0 0 .2em}h2{font-size:14pt;margin:1em 0 .4em}h3{font-size:12pt;margin:.8em 0 .3em}
table{border-collapse:collapse}th,td{border:1px solid #000;padding:2px 4px;vertical-align:top;text-align:left}
thead th{background:#e8e8e8}
.grid table{width:100%;table-layout:fixed}.grid th:first-child{width:7em}
.grid td{white-space:pre-line}.grid hr{border:0;border-top:1px dashed #000;margin:2px 0}
td.x{border:3px double #000}td.x>strong,td>small{display:block}
.code{font-weight:normal;font-size:10pt}
.index ul{columns:4;padding-left:1.2em;margin:.2em 0}
.ok{font-style:italic}
@page{size:A4 landscape;margin:10mm}
@media print{body{margin:0;font-size:9pt}.grid table{font-size:8pt}
.s1 table{font-size:6.5pt}.s2 table{font-size:5.5pt}.s3 table{font-size:4.5pt}.s2 td,.s3 td{padding:0 2px}a{color:#000;text-decoration:none}
.grid{break-before:page;page-break-before:always;break-inside:avoid;page-break-inside:avoid}
thead th{background:none}}
)";

// How the document names an axis and its members: the letter of their
// anchors, the title of a member's grid, the heading of the axis's count and
// index, and the axis within a sentence.
struct AxisWords {
    char letter;
    const char* title;
    const char* plural;
    const char* lower;
};
constexpr std::array<AxisWords, 3> kAxisWords = {{{'g', "Grupo", "Grupos", "grupos"},
                                                  {'p', "Profesor", "Profesores", "profesores"},
                                                  {'a', "Aula", "Aulas", "aulas"}}};

const AxisWords& wordsOf(Axis axis) {
    return kAxisWords[static_cast<std::size_t>(axis)];
}

const char* reasonText(Reason reason) {
    switch (reason) {
    case Reason::DayOrSlotZero:
        return "día u hora 0";
    case Reason::GroupNotFound:
        return "grupo no encontrado en GRUPOST";
    case Reason::SubjectNotFound:
        return "materia o actividad no encontrada en ASIGNOMT";
    case Reason::SlotNotFound:
        return "franja horaria no encontrada en DIASHORAST";
    case Reason::DayOutsideWeek:
        break;
    }
    return "día fuera de la semana (en el resultado sin día)";
}

// The most that a part of a grid takes besides its pieces, with the block
// that a piece's copy may write beyond them: a row's header with its
// number, a cell's tags, a line's.
constexpr std::size_t kRowBytes = 32 + kBlock;
constexpr std::size_t kCellBytes = 64 + kBlock;
constexpr std::size_t kLineBytes = 4 + kBlock;

class Document {
public:
    Document(HtmlWriter& out, const Timetable& t, const TimetableCheck& check, const ShownNames& shown,
             const SchoolNames& names)
        : out_(out), t_(t), check_(check), shown_(shown), names_(names) {}

    void write(const std::string& runDate) {
        const std::string title = names_.schoolName.empty() ? names_.schoolCode : names_.schoolName;
        out_.markup(
                "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n<title>Horario · ")
            .text(title)
            .markup("</title>\n<style>")
            .markup(kStyle)
            .markup("</style>\n</head>\n<body>\n<header>\n<h1>Horario de ")
            .text(title)
            .markup("</h1>\n<p>Centro: ")
            .text(names_.schoolCode)
            .markup(" · Curso escolar: ")
            .text(names_.schoolYear)
            .markup(" · Fecha del horario: ")
            .text(runDate)
            .markup("</p>\n</header>\n");
        writeCheck();
        writeIndex();
        for (const Axis axis : kAxes) {
            grids_.build(t_, axis);
            for (const std::uint32_t member : t_.members(axis)) {
                writeGrid(axis, member);
            }
        }
        out_.markup("</body>\n</html>\n");
    }

private:
    const Piece& memberPiece(Axis axis, std::uint32_t id) const {
        return shown_.member(static_cast<std::size_t>(axis), id);
    }
    const Piece& activityPiece(const Entry& e) const {
        return e.subject == kNone ? shown_.noActivity()
                                  : (e.task ? shown_.activityType(e.subject) : shown_.subject(e.subject));
    }
    // The escaped names within the pieces.
    std::string_view nameOf(Axis axis, std::uint32_t id) const {
        return shown_.memberName(memberPiece(axis, id));
    }
    std::string_view activityOf(const Entry& e) const { return shown_.activityName(activityPiece(e)); }
    // The member of another axis that an entry's line names.
    static std::uint32_t other(const Entry& e, Axis axis) {
        return axis == Axis::Group ? e.group : Timetable::member(e, axis);
    }
    // The two axes whose members a line of an axis's grid names, in order.
    static std::array<Axis, 2> othersOf(Axis axis) {
        return axis == Axis::Group     ? std::array{Axis::Teacher, Axis::Room}
               : axis == Axis::Teacher ? std::array{Axis::Group, Axis::Room}
                                       : std::array{Axis::Group, Axis::Teacher};
    }

    // Markup and pieces put straight into the writer's buffer, in room asked
    // for them (HtmlWriter::room): a piece is copied in blocks, so that the
    // copy takes a few instructions and no call; the document's text is
    // followed by a block, and the room asked for is kBlock beyond what a
    // part needs.
    template <std::size_t N> static char* put(char* at, const char (&tags)[N]) {
        std::memcpy(at, tags, N - 1);
        return at + N - 1;
    }
    char* put(char* at, const Piece& piece) const {
        const char* from = shown_.text() + piece.at;
        std::memcpy(at, from, kBlock); // whatever its size: most pieces fit in one block
        for (std::size_t k = kBlock; k < piece.size; k += kBlock) {
            std::memcpy(at + k, from + k, kBlock);
        }
        return at + piece.size;
    }

    void anchor(Axis axis, std::uint32_t member) {
        const char letter = wordsOf(axis).letter;
        out_.markup(std::string_view(&letter, 1)).number(member);
    }

    void memberTitle(Axis axis, std::uint32_t member) {
        out_.markup(nameOf(axis, member));
        const std::string_view code = t_.codes(axis).code(member);
        if (nameOf(axis, member) != EscapedText(code).html()) {
            out_.markup(" <span class=\"code\">(").text(code).markup(")</span>");
        }
    }

    // A code of the check's lines, after the school's escaped name for it where there is one.
    void namedCode(std::optional<std::string_view> name, std::string_view code) {
        if (name) {
            out_.markup(*name).markup(" <span class=\"code\">(").text(code).markup(")</span>");
        } else {
            out_.text(code);
        }
    }

    // One entry as a line: the activity, then the other two of group,
    // teacher and room.
    void entryLine(Axis axis, const Entry& e) {
        out_.markup("<b>").markup(activityOf(e)).markup("</b>");
        for (const Axis axis2 : kAxes) {
            if (axis2 != axis && other(e, axis2) != kNone) {
                out_.markup(", ").markup(nameOf(axis2, other(e, axis2)));
            }
        }
    }
    // The check: its counts, then the first lines of each of its lists.
    void writeCheck() {
        out_.markup("<section class=\"check\">\n<h2>Comprobación</h2>\n<ul>\n");
        for (const Axis axis : kAxes) {
            out_.markup("<li>")
                .markup(wordsOf(axis).plural)
                .markup(" en dos sitios a la vez: ")
                .number(check_.clashCount[static_cast<std::size_t>(axis)])
                .markup("</li>\n");
        }
        std::size_t omitted = 0;
        for (const std::size_t n : check_.omitted) {
            omitted += n;
        }
        out_.markup("<li>Registros de SOLUC que no están en el horario: ")
            .number(omitted)
            .markup("</li>\n<li>Materias de grupo con sesiones distintas de las previstas: ")
            .number(check_.hoursCount)
            .markup("</li>\n</ul>\n");
        if (!check_.clashes.empty()) {
            writeClashes();
        }
        if (omitted > 0) {
            writeOmissions();
        }
        if (!check_.hours.empty()) {
            writeHours();
        }
        if (check_.clashes.empty() && omitted == 0 && check_.hours.empty()) {
            out_.markup("<p class=\"ok\">Sin coincidencias, sin registros omitidos y con las sesiones "
                        "previstas.</p>\n");
        }
        out_.markup("</section>\n");
    }

    // Says how many lines of a list, beyond the kListed shown, are left out.
    void writeMore(std::size_t count, std::string_view what) {
        if (count > kListed) {
            out_.markup("<p>Y ").number(count - kListed).markup(" ").markup(what).markup("</p>\n");
        }
    }

    void writeClashes() {
        out_.markup("<h3>Coincidencias</h3>\n<table>\n<thead><tr><th>Quién</th><th>Día</th><th>Hora</th>"
                    "<th>Lo que coincide</th></tr></thead>\n<tbody>\n");
        for (const Clash& c : check_.clashes) {
            out_.markup("<tr><td>").markup(wordsOf(c.axis).title).markup(" <a href=\"#");
            anchor(c.axis, c.member);
            out_.markup("\">");
            memberTitle(c.axis, c.member);
            out_.markup("</a></td><td>")
                .markup(kDayNames[c.day])
                .markup("</td><td>")
                .markup(shown_.textOf(shown_.time(c.time)))
                .markup("</td><td>");
            for (std::size_t i = 0; i < c.entries.size(); ++i) {
                out_.markup(i == 0 ? "" : "<br>");
                entryLine(c.axis, t_.entry(c.entries[i]));
            }
            out_.markup("</td></tr>\n");
        }
        out_.markup("</tbody>\n</table>\n");
        for (const Axis axis : kAxes) {
            writeMore(check_.clashCount[static_cast<std::size_t>(axis)],
                      std::string("más de ") + wordsOf(axis).lower + ", que sus tablas marcan.");
        }
    }

    void writeOmissions() {
        out_.markup("<h3>Registros de SOLUC que no están en el horario</h3>\n");
        for (std::size_t r = 0; r < kReasons; ++r) {
            if (check_.omitted[r] == 0) {
                continue;
            }
            out_.markup("<h4>")
                .text(reasonText(static_cast<Reason>(r)))
                .markup(": ")
                .number(check_.omitted[r])
                .markup("</h4>\n<table>\n<thead><tr><th>Clase o tarea</th><th>ASIG</th><th>CODGRUPO</th>"
                        "<th>PROF</th><th>AULA</th><th>DIA</th><th>HORA</th></tr></thead>\n<tbody>\n");
            for (const Omission& o : t_.omissions()) {
                if (static_cast<std::size_t>(o.reason) != r) {
                    continue;
                }
                out_.markup(o.task ? "<tr><td>tarea</td><td>" : "<tr><td>clase</td><td>")
                    .text(o.subject)
                    .markup("</td><td>")
                    .text(o.group)
                    .markup("</td><td>")
                    .text(o.teacher)
                    .markup("</td><td>")
                    .text(o.room)
                    .markup("</td><td>")
                    .text(o.day)
                    .markup("</td><td>")
                    .text(o.slot)
                    .markup("</td></tr>\n");
            }
            out_.markup("</tbody>\n</table>\n");
            writeMore(check_.omitted[r], "registros más.");
        }
    }

    void writeHours() {
        out_.markup("<h3>Sesiones previstas y colocadas</h3>\n<table>\n<thead><tr><th>Grupo</th>"
                    "<th>Materia</th><th>Horas previstas</th><th>Sesiones previstas</th>"
                    "<th>Sesiones colocadas</th></tr></thead>\n<tbody>\n");
        for (const HoursDifference& h : check_.hours) {
            out_.markup("<tr><td>");
            namedCode(shown_.groupName(h.group), h.group);
            out_.markup("</td><td>");
            namedCode(shown_.subjectName(h.subject), h.subject);
            out_.markup("</td><td>");
            if (h.hours.empty()) {
                out_.markup("sin prever");
            } else {
                out_.text(h.hours);
            }
            out_.markup("</td><td>");
            if (h.planned < 0) {
                out_.markup("no es un número");
            } else {
                out_.number(static_cast<std::size_t>(h.planned));
            }
            out_.markup("</td><td>").number(h.placed).markup("</td></tr>\n");
        }
        out_.markup("</tbody>\n</table>\n");
        writeMore(check_.hoursCount, "materias de grupo más.");
    }

    void writeIndex() {
        out_.markup("<nav class=\"index\">\n<h2>Índice</h2>\n");
        for (const Axis axis : kAxes) {
            out_.markup("<h3>").markup(wordsOf(axis).plural).markup("</h3>\n");
            if (t_.members(axis).empty()) {
                out_.markup("<p class=\"ok\">Ninguno en el horario.</p>\n");
                continue;
            }
            out_.markup("<ul>\n");
            for (const std::uint32_t member : t_.members(axis)) {
                out_.markup("<li><a href=\"#");
                anchor(axis, member);
                out_.markup("\">");
                memberTitle(axis, member); // the code too: the index is in the order of the codes
                out_.markup("</a></li>\n");
            }
            out_.markup("</ul>\n");
        }
        out_.markup("</nav>\n");
    }

    // A line of a grid as it is written: its cell, its times and its pieces
    // (the activity, then the other two of group, teacher and room).
    struct Line {
        std::uint32_t cell; // the period's rank, then the day (Timetable::cell)
        std::uint32_t period;
        const Piece* time;
        std::array<const Piece*, 3> pieces;
    };

    // The lines of a member's grid; and whether it has entries on Saturday
    // and on Sunday.
    std::array<bool, 2> readGrid(Axis axis, std::span<const std::uint32_t> entries) {
        const std::array<Axis, 2> others = othersOf(axis);
        std::array<bool, 2> weekend = {false, false};
        lines_.resize(entries.size());
        // The grids follow one another as they are written, so the entries
        // asked for ahead run on into the next grids: a grid holds a few
        // dozen, each in another part of a large timetable.
        const std::span<const std::uint32_t> all = grids_.all();
        const auto from = static_cast<std::size_t>(entries.data() - all.data()) + kReadAhead;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            if (from + k < all.size()) {
                t_.prefetch(all[from + k]);
                check_.prefetchClashStart(all[from + k]);
            }
            const Entry e = t_.entry(entries[k]);
            lines_[k] = {t_.cell(entries[k]),
                         e.period,
                         &shown_.time(e.time),
                         {&activityPiece(e), &memberPiece(others[0], other(e, others[0])),
                          &memberPiece(others[1], other(e, others[1]))}};
            for (const Piece* p : lines_[k].pieces) {
                prefetch(p); // for printClass(), which reads them next
            }
            if (e.day >= 6) {
                weekend[e.day - 6] = true;
            }
        }
        return weekend;
    }

    // A smaller print for a grid whose cells hold much, so that it still
    // fits its page: the printed lines that its tallest cells take, guessed
    // from the length of their texts in a column of the page.
    // Its texts are asked for on the way, for the writing that follows.
    const char* printClass(std::span<const Line> grid, int columns) const {
        const auto width = static_cast<std::size_t>(columns - kFewestColumns);
        std::size_t total = 0;
        std::size_t i = 0;
        while (i < grid.size()) {
            const std::uint32_t row = grid[i].cell >> 3;
            std::size_t tallest = 2;
            while (i < grid.size() && grid[i].cell >> 3 == row) {
                const std::uint32_t cell = grid[i].cell;
                const std::size_t first = i;
                std::size_t height = 0;
                for (; i < grid.size() && grid[i].cell == cell; ++i) {
                    for (const Piece* p : grid[i].pieces) {
                        height += p->lines[width];
                        prefetch(shown_.text() + p->at);
                    }
                }
                tallest = std::max(tallest, height + (i - first > 1 ? 2 : 0));
            }
            total += tallest;
        }
        return total <= 40 ? "" : (total <= 55 ? " s1" : (total <= 75 ? " s2" : " s3"));
    }

    void writeGrid(Axis axis, std::uint32_t member) {
        const std::span<const std::uint32_t> entries = grids_.grid(member);
        const std::array<bool, 2> weekend = readGrid(axis, entries);
        const std::span<const Line> grid = lines_;
        const int lastDay = weekend[1] ? 7 : (weekend[0] ? 6 : 5);

        out_.markup("<section class=\"grid");
        out_.markup(printClass(grid, lastDay - (lastDay > 5 && !weekend[0] ? 1 : 0)));
        out_.markup("\" id=\"");
        anchor(axis, member);
        out_.markup("\">\n<h2>").markup(wordsOf(axis).title).markup(": ");
        memberTitle(axis, member);
        out_.markup("</h2>\n<table>\n<thead><tr><th>Hora</th>");
        for (int d = 1; d <= lastDay; ++d) {
            if (d < 6 || weekend[d - 6]) {
                out_.markup("<th>").markup(kDayNames[static_cast<std::size_t>(d)]).markup("</th>");
            }
        }
        out_.markup("</tr></thead>\n<tbody>\n");

        // The rows go straight into the writer's buffer, which is asked for
        // more room only when what is left may not take the next part.
        std::span<char> room = out_.room(0);
        char* at = room.data();
        char* end = at + room.size();
        const auto ensure = [&](std::size_t bytes) {
            if (static_cast<std::size_t>(end - at) < bytes) {
                out_.commit(at);
                room = out_.room(bytes);
                at = room.data();
                end = at + room.size();
            }
        };
        std::size_t i = 0;
        while (i < grid.size()) {
            // One row per period, headed by its first day's times; a day
            // whose times differ shows its own in the cell.
            const std::uint32_t row = grid[i].cell >> 3;
            const Piece& rowTime = *grid[i].time;
            ensure(kRowBytes + rowTime.size);
            at = put(at, "<tr><th>");
            at = std::to_chars(at, at + 10, grid[i].period).ptr;
            at = put(at, ".ª<br>");
            at = put(at, rowTime);
            at = put(at, "</th>");
            for (int d = 1; d <= lastDay; ++d) {
                if (d >= 6 && !weekend[d - 6]) {
                    continue;
                }
                const std::uint32_t cell = row << 3 | static_cast<std::uint32_t>(d);
                if (i == grid.size() || grid[i].cell != cell) {
                    ensure(kCellBytes);
                    at = put(at, "<td>"); // cells and rows end where the next begins
                    continue;
                }
                const Piece& cellTime = *grid[i].time;
                ensure(kCellBytes + cellTime.size);
                if (check_.clashStartsAt(axis, entries[i])) {
                    at = put(at, "<td class=\"x\"><strong>¡Coincidencia!</strong>");
                } else {
                    at = put(at, "<td>");
                }
                if (&cellTime != &rowTime) {
                    at = put(put(put(at, "<small>"), cellTime), "</small>");
                }
                for (const std::size_t first = i; i < grid.size() && grid[i].cell == cell; ++i) {
                    const std::array<const Piece*, 3>& pieces = grid[i].pieces;
                    ensure(kLineBytes + pieces[0]->size + pieces[1]->size + pieces[2]->size);
                    if (i != first) {
                        at = put(at, "<hr>");
                    }
                    for (const Piece* p : pieces) {
                        at = put(at, *p);
                    }
                }
            }
            ensure(1);
            *at++ = '\n';
        }
        out_.commit(at);
        out_.markup("</tbody>\n</table>\n</section>\n");
    }

    HtmlWriter& out_;
    const Timetable& t_;
    const TimetableCheck& check_;
    const ShownNames& shown_;
    const SchoolNames& names_; // the school's code, name and year
    AxisGrids grids_;
    std::vector<Line> lines_; // of the grid being written
};

} // namespace

void writeTimetableDocument(HtmlWriter& out, const Timetable& timetable, const TimetableCheck& check,
                            const ShownNames& shown, const SchoolNames& names, const std::string& runDate) {
    Document(out, timetable, check, shown, names).write(runDate);
}

void writeTimetableDocument(HtmlWriter& out, const Timetable& timetable, const TimetableCheck& check,
                            const SchoolNames& names, const std::string& runDate) {
    writeTimetableDocument(out, timetable, check, ShownNames(timetable, names), names, runDate);
}

} // namespace vinculor::timetable
