#include "import/ActivityPasses.h"

#include "text/Text.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vinculor::importing {

namespace {

enum class Pass { Lesson, Task };

// Without the characters of code 32 or less at either end, as text::trim.
std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) {
        s.remove_prefix(1);
    }
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view dayLetter(std::int32_t day) {
    static constexpr std::array<const char*, 7> kLetters = {"L", "M", "X", "J", "V", "S", "D"};
    return day >= 1 && day <= 7 ? kLetters[static_cast<std::size_t>(day - 1)] : "";
}

// DIA or HORA as a number. The timetabling program may store them as
// character fields: there an empty value reads as 0, as an empty numeric
// field does, and blanks around the digits are ignored.
double readNumber(const Table& soluc, Table::Field field, bool whole) {
    if (soluc.fields()[field.number].type != DbfType::Character) {
        return whole ? soluc.getInt(field) : soluc.getDouble(field);
    }
    const std::string_view digits = trimmed(soluc.viewText(field));
    if (digits.empty()) {
        return 0;
    }
    return whole ? text::parseInteger(digits) : text::parseDecimal(digits);
}

// A field of one of the tables, found by its name the first time a record
// needs it: a table that lacks it fails at that point, as a read by name does.
class LazyField {
public:
    LazyField(Table& table, const char* name) : table_(table), name_(name) {}
    Table::Field operator()() {
        if (!field_) {
            field_ = table_.field(name_);
        }
        return *field_;
    }

private:
    Table& table_;
    const char* name_;
    std::optional<Table::Field> field_;
};

// A record left out, for the timetable's check, with the codes it holds.
void omit(timetable::Timetable* timetable, timetable::Reason reason, Pass pass, Table& soluc,
          std::initializer_list<Table::Field> fields) {
    if (timetable == nullptr || !timetable->countOmission(reason)) {
        return;
    }
    timetable::Omission o{reason, pass == Pass::Task, {}, {}, {}, {}, {}, {}};
    std::string* codes[] = {&o.subject, &o.group, &o.teacher, &o.room, &o.day, &o.slot};
    std::size_t i = 0;
    for (const Table::Field f : fields) {
        *codes[i++] = soluc.getText(f);
    }
    timetable->keep(std::move(o));
}

void runPass(Pass pass, ActivityTables& t, XmlChildStream* horario, RunSummary& summary,
             timetable::Timetable* timetable) {
    LazyField asigField(t.soluc, "ASIG"), tareaField(t.soluc, "TAREA"), diaField(t.soluc, "DIA"),
        horaField(t.soluc, "HORA"), grupoField(t.soluc, "CODGRUPO"), profField(t.soluc, "PROF"),
        aulaField(t.soluc, "AULA");
    LazyField groupCode(t.grupos, "ABREV"), subjectKey(t.asignaturas, "COD"),
        subjectCode(t.asignaturas, "ABREV_GESTION"), teacherCode(t.profesores, "ABREV"),
        roomKey(t.aulas, "ABREV"), roomCode(t.aulas, "ABREV_GESTION"), slotKeyField(t.tramos, "DIHO"),
        slotStart(t.tramos, "HORADESDE"), slotEnd(t.tramos, "HORAHASTA");

    std::vector<std::uint32_t> slotTimes; // DIASHORAST's record place -> the timetable's time

    for (t.soluc.first(); !t.soluc.eof(); t.soluc.next()) {
        if (t.soluc.sameText(asigField(), tareaField()) != (pass == Pass::Task)) {
            continue; // the other pass's record
        }
        // Texts read in place: each is used before the table it comes from
        // moves to another record.
        const std::string_view asig = t.soluc.viewText(asigField());
        const std::string_view tarea = t.soluc.viewText(tareaField());
        const auto day = static_cast<std::int32_t>(readNumber(t.soluc, diaField(), true));
        // The record's codes, for a record left out.
        const auto leftOut = [&](timetable::Reason reason) {
            omit(timetable, reason, pass, t.soluc,
                 {asigField(), grupoField(), profField(), aulaField(), diaField(), horaField()});
        };
        const double hora = readNumber(t.soluc, horaField(), false);
        if (day == 0 || hora == 0) {
            ++summary.skippedDayOrSlotZero;
            leftOut(timetable::Reason::DayOrSlotZero);
            continue;
        }

        std::string_view group = t.soluc.viewText(grupoField());
        if (pass == Pass::Lesson) {
            // The record found has this very text as its ABREV: it is the group code.
            if (!t.grupos.locate(groupCode(), group)) {
                ++summary.skippedGroupNotFound;
                leftOut(timetable::Reason::GroupNotFound);
                continue;
            }
        }

        if (!t.asignaturas.locate(subjectKey(), asig)) {
            ++summary.skippedSubjectNotFound;
            leftOut(timetable::Reason::SubjectNotFound);
            continue;
        }
        const std::string_view subject =
            pass == Pass::Lesson ? t.asignaturas.viewText(subjectCode()) : std::string_view();

        // Likewise the teacher found has the searched text as its ABREV.
        const std::string_view prof = t.soluc.viewText(profField());
        const std::string_view teacher = t.profesores.locate(teacherCode(), prof) ? prof : std::string_view();
        const std::string_view room = t.aulas.locate(roomKey(), t.soluc.viewText(aulaField()))
                                          ? t.aulas.viewText(roomCode())
                                          : std::string_view();

        std::string slotKey(trimmed(t.soluc.viewText(diaField())));
        slotKey += trimmed(t.soluc.viewText(horaField()));
        if (!t.tramos.locate(slotKeyField(), slotKey)) {
            ++summary.skippedSlotNotFound;
            leftOut(timetable::Reason::SlotNotFound);
            continue;
        }

        if (timetable != nullptr) {
            if (day >= 1 && day <= 7) {
                // Each look-up table's record place keys its code, read once per record.
                timetable::Entry e;
                e.task = pass == Pass::Task;
                e.subject = e.task ? timetable->activityTypes.idAt(t.asignaturas.position(),
                                                                   t.asignaturas.viewText(subjectCode()))
                                   : timetable->subjects.idAt(t.asignaturas.position(), subject);
                e.group =
                    // A task's group is as SOLUC gives it; GRUPOST, where it knows it, finds it fastest.
                    group.empty() ? timetable::kNone
                    : !e.task || t.grupos.locate(groupCode(), group)
                        ? timetable->groups.idAt(t.grupos.position(), group)
                        : timetable->groups.id(group);
                e.teacher = teacher.empty() ? timetable::kNone
                                            : timetable->teachers.idAt(t.profesores.position(), teacher);
                e.room = room.empty() ? timetable::kNone : timetable->rooms.idAt(t.aulas.position(), room);
                const std::size_t slotPlace = t.tramos.position();
                if (slotPlace >= slotTimes.size() || slotTimes[slotPlace] == timetable::kNone) {
                    slotTimes.resize(std::max(slotTimes.size(), slotPlace + 1), timetable::kNone);
                    std::string label(t.tramos.viewText(slotStart()));
                    label += "–";
                    label += t.tramos.viewText(slotEnd());
                    slotTimes[slotPlace] = timetable->times.id(label);
                }
                e.time = slotTimes[slotPlace];
                // Whole and positive: DIASHORAST has a key for it.
                e.period = hora > 0 && hora < 1e6 ? static_cast<std::uint32_t>(hora) : 0;
                e.day = static_cast<std::uint8_t>(day);
                timetable->add(e);
            } else {
                leftOut(timetable::Reason::DayOutsideWeek);
            }
        }

        // The administration system reads the task's room under the name "codigAula".
        if (horario != nullptr) {
            horario->append("actividad", {{"tipo", tarea},
                                          {"codigoProfesor", teacher},
                                          {"codigoGrupo", group},
                                          {"codigoMateria", subject},
                                          {pass == Pass::Lesson ? "codigoAula" : "codigAula", room},
                                          {"dia", dayLetter(day)},
                                          {"HoraInicio", t.tramos.viewText(slotStart())},
                                          {"HoraFin", t.tramos.viewText(slotEnd())}});
        }
        ++(pass == Pass::Lesson ? summary.lessons : summary.tasks);
    }
}

} // namespace

void lessonPass(ActivityTables& tables, XmlChildStream* horario, RunSummary& summary,
                timetable::Timetable* timetable) {
    runPass(Pass::Lesson, tables, horario, summary, timetable);
}

void taskPass(ActivityTables& tables, XmlChildStream* horario, RunSummary& summary,
              timetable::Timetable* timetable) {
    runPass(Pass::Task, tables, horario, summary, timetable);
}

} // namespace vinculor::importing
