#include "import/ActivityPasses.h"

#include "base/Error.h"
#include "dbf/DbfFieldCodec.h"
#include "files/FileSystem.h"
#include "import/SolucSchema.h"
#include "text/Text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

namespace vinculor::importing {

namespace {

// An integer field's null: four zero bytes.
bool isNullInteger(const char* field) {
    return field[0] == 0 && field[1] == 0 && field[2] == 0 && field[3] == 0;
}

// The days' letters, from Monday; none for a day outside the week.
constexpr std::array<std::string_view, 8> kDayLetters = {"", "L", "M", "X", "J", "V", "S", "D"};

// The fixed texts of an "actividad" line, around its values. The
// administration system reads a task's room under the name "codigAula".
enum Piece { Open, Teacher, Group, Subject, LessonRoom, TaskRoom, EndTime, Close };
constexpr std::array<std::string_view, 8> kPieces = {
    "    <actividad tipo=\"", "\" codigoProfesor=\"", "\" codigoGrupo=\"", "\" codigoMateria=\"",
    "\" codigoAula=\"",       "\" codigAula=\"",      "\" HoraFin=\"",     "\" />\n"};

// The bytes of SOLUC's records that the passes read: up to its last field's end.
std::size_t readLength(const Table& soluc) {
    std::size_t length = 1;
    for (const FieldInfo& f : soluc.fields()) {
        length = std::max(length, static_cast<std::size_t>(f.offset + f.width));
    }
    return length;
}

} // namespace

ActivityPasses::ActivityPasses(ActivityTables& tables, XmlChildStream* horario, RunSummary& summary,
                               timetable::Timetable& timetable, const std::filesystem::path& scratch)
    : t_(tables), horario_(horario), summary_(summary), timetable_(timetable),
      groups_(tables.grupos, "ABREV", {}, horario),
      subjects_(tables.asignaturas, "COD", {"ABREV_GESTION"}, horario),
      teachers_(tables.profesores, "ABREV", {}, horario),
      rooms_(tables.aulas, "ABREV", {"ABREV_GESTION"}, horario),
      slots_(tables.tramos, "DIHO", {"HORADESDE", "HORAHASTA"}, horario),
      tasks_(readLength(tables.soluc), scratch) {
    record_.assign(readLength(tables.soluc) + ShortText::kMax, '\0');
    for (std::size_t i = 0; i < kFields; ++i) {
        fields_[i].info = t_.soluc.fields()[t_.soluc.field(kSolucFields[i]).number];
    }
    if (horario_ != nullptr) {
        for (std::size_t i = 0; i < kPieces.size(); ++i) {
            xml_[i] = horario_->encoded(kPieces[i]);
        }
        for (std::size_t i = 0; i < kDayLetters.size(); ++i) {
            dayXml_[i] = horario_->encoded("\" dia=\"" + std::string(kDayLetters[i]) + "\" HoraInicio=\"");
        }
    }
}

void ActivityPasses::lessons() {
    for (t_.soluc.first(); !t_.soluc.eof(); t_.soluc.next()) {
        const char* bytes = padded(t_.soluc.recordBytes());
        // A task is a record whose ASIG and TAREA read as the same text.
        const Code asig = code(bytes, Asig);
        const Code tarea = code(bytes, Tarea);
        if (asig.isShort && tarea.isShort ? asig.key == tarea.key : asig.text == tarea.text) {
            tasks_.add(bytes);
        } else {
            record(bytes, false, asig, tarea.text);
        }
    }
}

void ActivityPasses::tasks() {
    tasks_.forEach([this](const char* kept) {
        const char* bytes = padded(kept);
        record(bytes, true, code(bytes, Asig), {});
    });
    summary_.teachersNotFound = listed(teachersNotFound_);
    summary_.roomsNotFound = listed(roomsNotFound_);
}

void ActivityPasses::notFound(std::map<std::string, std::size_t, std::less<>>& codes, std::string_view code) {
    const auto at = codes.find(code);
    if (at != codes.end()) {
        ++at->second;
    } else {
        codes.emplace(code, 1);
    }
}

// One line per code, by code: the first kListed, and how many codes in all.
RunSummary::CappedList ActivityPasses::listed(const std::map<std::string, std::size_t, std::less<>>& codes) {
    RunSummary::CappedList list;
    list.total = codes.size();
    for (auto at = codes.begin(); at != codes.end() && list.shown.size() < timetable::kListed; ++at) {
        list.shown.push_back(at->first + ": " + std::to_string(at->second));
    }
    return list;
}

// The record copied where its fields can be read as ShortText.
const char* ActivityPasses::padded(const char* bytes) {
    std::memcpy(record_.data(), bytes, record_.size() - ShortText::kMax);
    return record_.data();
}

// A field's text as Table::getText reads it: a short character field in
// ASCII is its own bytes; any other is converted, in the field's own buffer
// so that the texts of one record stay valid together.
inline ActivityPasses::Code ActivityPasses::code(const char* bytes, Solu which) {
    Field& f = fields_[which];
    const char* field = bytes + f.info.offset;
    if (f.info.type == DbfType::Character && static_cast<std::size_t>(f.info.width) <= ShortText::kMax) {
        const ShortText key = ShortText::ofField(field, static_cast<std::size_t>(f.info.width));
        if (key.ascii()) {
            return {std::string_view(field, key.size()), key, true};
        }
    }
    f.converted = DbfFieldCodec::text(f.info, field);
    if (f.converted.size() <= ShortText::kMax) {
        return {f.converted, ShortText::of(f.converted), true};
    }
    return {f.converted, {}, false};
}

// DIA or HORA: its number, and its text without blanks around it. The
// timetabling program may store them as character fields: there an empty
// value reads as 0, as an empty numeric field does, and blanks around the
// digits are ignored.
inline ActivityPasses::Number ActivityPasses::readNumber(const char* bytes, Solu which, bool whole) {
    Field& f = fields_[which];
    const char* field = bytes + f.info.offset;
    if (f.info.type == DbfType::Integer) {
        // Read once, and written as DbfFieldCodec::text writes it.
        if (isNullInteger(field)) {
            return {0, {}};
        }
        const std::int32_t value = DbfFieldCodec::toInt(f.info, field);
        const auto end = std::to_chars(f.digits.data(), f.digits.data() + f.digits.size(), value);
        return {static_cast<double>(value),
                std::string_view(f.digits.data(), static_cast<std::size_t>(end.ptr - f.digits.data()))};
    }
    if (f.info.type != DbfType::Character) {
        const double value =
            whole ? DbfFieldCodec::toInt(f.info, field) : DbfFieldCodec::toDouble(f.info, field);
        return {value, text::trimmed(code(bytes, which).text)};
    }
    const std::string_view digits = text::trimmed(code(bytes, which).text);
    if (digits.empty()) {
        return {0, digits};
    }
    return {whole ? text::parseInteger(digits) : text::parseDecimal(digits), digits};
}

// DIA or HORA of a record. One that is no number ends the run; its message
// says which record holds it.
ActivityPasses::Number ActivityPasses::number(const char* bytes, Solu which, bool whole) {
    try {
        return readNumber(bytes, which, whole);
    } catch (const Error& e) {
        if (e.kind() != ErrorKind::Number) {
            throw;
        }
        notANumber(e, bytes, which);
    }
}

// The number's own message, then the field and the record's codes.
void ActivityPasses::notANumber(const Error& e, const char* bytes, Solu which) {
    std::string where = "En el campo " + fields_[which].info.name + " de un registro de SOLUC («" +
                        files::toUtf8(t_.soluc.dataPath()) + "»):";
    const std::pair<Solu, const char*> codes[] = {
        {Asig, "materia"}, {Tarea, "tarea"}, {Grupo, "grupo"}, {Prof, "profesor"}, {Aula, "aula"}};
    for (const auto& [field, word] : codes) {
        where += std::string(field == Asig ? " " : ", ") + word + " «" +
                 std::string(code(bytes, field).text) + "»";
    }
    throw Error(ErrorKind::Number, std::string(e.what()) + "\n" + where +
                                       ". Vuelva a calcular y guardar el horario en Horavia, y a importar.");
}

// A record left out, for the timetable's check, with the codes it holds.
void ActivityPasses::leftOut(timetable::Reason reason, bool task, const char* bytes) {
    if (!timetable_.countOmission(reason)) {
        return;
    }
    timetable::Omission o{reason, task, {}, {}, {}, {}, {}, {}};
    const auto textOf = [&](Solu which) {
        const FieldInfo& f = fields_[which].info;
        return DbfFieldCodec::text(f, bytes + f.offset);
    };
    o.subject = textOf(Asig);
    o.group = textOf(Grupo);
    o.teacher = textOf(Prof);
    o.room = textOf(Aula);
    o.day = textOf(Dia);
    o.slot = textOf(Hora);
    timetable_.keep(std::move(o));
}

// A lesson, with its type `tarea`, or a task: looked up, then given to the
// timetable and written. The steps, and code(), are inline: a record costs a
// few hundred instructions, and the calls between them added a tenth.
void ActivityPasses::record(const char* bytes, bool task, const Code& asig, std::string_view tarea) {
    Found found;
    if (const std::optional<timetable::Reason> missing = lookUp(bytes, task, asig, found)) {
        switch (*missing) {
        case timetable::Reason::DayOrSlotZero:
            ++summary_.skippedDayOrSlotZero;
            break;
        case timetable::Reason::GroupNotFound:
            ++summary_.skippedGroupNotFound;
            break;
        case timetable::Reason::SubjectNotFound:
            ++summary_.skippedSubjectNotFound;
            break;
        case timetable::Reason::SlotNotFound:
            ++summary_.skippedSlotNotFound;
            break;
        case timetable::Reason::DayOutsideWeek:
            break; // lookUp() never gives it: place() leaves such a record out of the timetable only
        }
        leftOut(*missing, task, bytes);
        return;
    }
    place(found, bytes);
    if (horario_ != nullptr) {
        write(found, tarea);
    }
    ++(task ? summary_.tasks : summary_.lessons);
}

// Looks the record's codes up, in the order that decides which reason a
// record left out is counted under.
inline std::optional<timetable::Reason> ActivityPasses::lookUp(const char* bytes, bool task, const Code& asig,
                                                               Found& f) {
    f.task = task;
    const Number dia = number(bytes, Dia, true);
    f.day = static_cast<std::int32_t>(dia.value);
    const Number hora = number(bytes, Hora, false);
    f.period = hora.value;
    if (f.day == 0 || f.period == 0) {
        return timetable::Reason::DayOrSlotZero;
    }

    // A lesson's group is found with this very text as its ABREV: it is the group code.
    f.group = code(bytes, Grupo);
    f.groupRow = task ? nullptr : find(groups_, f.group);
    if (!task && f.groupRow == nullptr) {
        return timetable::Reason::GroupNotFound;
    }

    f.subjectRow = find(subjects_, asig);
    if (f.subjectRow == nullptr) {
        return timetable::Reason::SubjectNotFound;
    }
    f.subject = task ? LookupTable::Text{} : subjects_.value(*f.subjectRow, 0);

    // Likewise the teacher found has the searched text as its ABREV.
    const Code prof = code(bytes, Prof);
    f.teacherRow = find(teachers_, prof);
    f.teacher = f.teacherRow != nullptr ? prof.text : std::string_view();
    const Code aula = code(bytes, Aula);
    f.roomRow = find(rooms_, aula);
    f.room = f.roomRow != nullptr ? rooms_.value(*f.roomRow, 0) : LookupTable::Text{};
    f.roomCode = f.roomRow != nullptr ? aula.text : std::string_view();

    slotKey_.assign(dia.text);
    slotKey_ += hora.text;
    f.slotRow = slots_.find(slotKey_);
    if (f.slotRow == nullptr) {
        return timetable::Reason::SlotNotFound;
    }
    f.start = slots_.value(*f.slotRow, 0);
    f.end = slots_.value(*f.slotRow, 1);
    // Written, but without the teacher or room that Horavia's tables lack.
    if (f.teacherRow == nullptr && !prof.text.empty()) {
        notFound(teachersNotFound_, prof.text);
    }
    if (f.roomRow == nullptr && !aula.text.empty()) {
        notFound(roomsNotFound_, aula.text);
    }
    return std::nullopt;
}

// The activity as an entry of the timetable, where its day is in the week.
inline void ActivityPasses::place(const Found& f, const char* bytes) {
    if (f.day < 1 || f.day > 7) {
        leftOut(timetable::Reason::DayOutsideWeek, f.task, bytes);
        return;
    }
    // Each look-up table's record place keys its code, read once per record.
    timetable::Entry e;
    e.task = f.task;
    e.subject =
        f.task ? timetable_.activityTypes.idAt(f.subjectRow->place, subjects_.value(*f.subjectRow, 0).utf8)
               : timetable_.subjects.idAt(f.subjectRow->place, f.subject.utf8);
    // A task's group is as SOLUC gives it; GRUPOST, where it knows it, finds it fastest.
    const std::string_view group = f.group.text;
    const LookupTable::Row* groupRow = f.task && !group.empty() ? find(groups_, f.group) : f.groupRow;
    e.group = group.empty()         ? timetable::kNone
              : groupRow != nullptr ? timetable_.groups.idAt(groupRow->place, group)
                                    : timetable_.groups.id(group);
    e.teacher =
        f.teacher.empty() ? timetable::kNone : timetable_.teachers.idAt(f.teacherRow->place, f.teacher);
    // A room by Horavia's code, as a teacher: one without a code of the
    // school's, or sharing one, is still a room of its own.
    e.room = f.roomCode.empty() ? timetable::kNone : timetable_.rooms.idAt(f.roomRow->place, f.roomCode);
    const std::size_t slotPlace = f.slotRow->place;
    if (slotPlace >= slotTimes_.size() || slotTimes_[slotPlace] == timetable::kNone) {
        slotTimes_.resize(std::max(slotTimes_.size(), slotPlace + 1), timetable::kNone);
        std::string label(f.start.utf8);
        label += "–";
        label += f.end.utf8;
        slotTimes_[slotPlace] = timetable_.times.id(label);
    }
    e.time = slotTimes_[slotPlace];
    // Whole and positive: DIASHORAST has a key for it.
    e.period = f.period > 0 && f.period < 1e6 ? static_cast<std::uint32_t>(f.period) : 0;
    e.day = static_cast<std::uint8_t>(f.day);
    timetable_.add(e);
}

// The activity's "actividad" line: SOLUC's own texts where a look-up found
// them, as the found record holds them ready to write; the others escaped
// and encoded here.
inline void ActivityPasses::write(const Found& f, std::string_view tarea) {
    std::size_t replaced = 0;
    const auto own = [&](std::string_view utf8, std::string& scratch) {
        bool r = false;
        const std::string_view xml = horario_->value(utf8, scratch, r);
        replaced += r ? 1 : 0;
        return xml;
    };
    const auto found = [&](const LookupTable::Text& text) {
        replaced += text.replaced ? 1 : 0;
        return text.xml;
    };
    const std::string_view tipo =
        f.task ? found(subjects_.key(*f.subjectRow)) : own(tarea, scratch_[0]); // a task's TAREA is its ASIG
    const std::string_view teacher = f.teacherRow != nullptr ? found(teachers_.key(*f.teacherRow)) : "";
    const std::string_view group = f.task ? own(f.group.text, scratch_[1]) : found(groups_.key(*f.groupRow));
    const std::array<std::string_view, 15> line = {xml_[Open],
                                                   tipo,
                                                   xml_[Teacher],
                                                   teacher,
                                                   xml_[Group],
                                                   group,
                                                   xml_[Subject],
                                                   found(f.subject),
                                                   xml_[f.task ? TaskRoom : LessonRoom],
                                                   found(f.room),
                                                   dayXml_[f.day >= 1 && f.day <= 7 ? f.day : 0],
                                                   found(f.start),
                                                   xml_[EndTime],
                                                   found(f.end),
                                                   xml_[Close]};
    horario_->appendEncoded(line, replaced);
}

} // namespace vinculor::importing
