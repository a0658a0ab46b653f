#include "import/ActivityPasses.h"

#include "services/Text.h"

#include <array>

namespace vinculor::importing {

namespace {

enum class Pass { Lesson, Task };

std::string_view dayLetter(std::int32_t day) {
    static constexpr std::array<const char*, 7> kLetters = {"L", "M", "X", "J", "V", "S", "D"};
    return day >= 1 && day <= 7 ? kLetters[static_cast<std::size_t>(day - 1)] : "";
}

void runPass(Pass pass, ActivityTables& t, XmlChildStream& horario, RunSummary& summary) {
    for (t.soluc.first(); !t.soluc.eof(); t.soluc.next()) {
        const std::string asig = t.soluc.getText("ASIG");
        const std::string tarea = t.soluc.getText("TAREA");
        if ((asig == tarea) != (pass == Pass::Task)) {
            continue; // the other pass's record
        }
        const std::int32_t day = t.soluc.getInt("DIA");
        if (day == 0 || t.soluc.getDouble("HORA") == 0) {
            ++summary.skippedDayOrSlotZero;
            continue;
        }

        std::string group = t.soluc.getText("CODGRUPO");
        if (pass == Pass::Lesson) {
            if (!t.grupos.locate("ABREV", group)) {
                ++summary.skippedGroupNotFound;
                continue;
            }
            group = t.grupos.getText("ABREV");
        }

        if (!t.asignaturas.locate("COD", asig)) {
            ++summary.skippedSubjectNotFound;
            continue;
        }
        const std::string subject = pass == Pass::Lesson ? t.asignaturas.getText("ABREV_GESTION") : "";

        const std::string teacher =
            t.profesores.locate("ABREV", t.soluc.getText("PROF")) ? t.profesores.getText("ABREV") : "";
        const std::string room =
            t.aulas.locate("ABREV", t.soluc.getText("AULA")) ? t.aulas.getText("ABREV_GESTION") : "";

        const std::string slotKey = text::trim(t.soluc.getText("DIA")) + text::trim(t.soluc.getText("HORA"));
        if (!t.tramos.locate("DIHO", slotKey)) {
            ++summary.skippedSlotNotFound;
            continue;
        }

        // The administration system reads the task's room under the name "codigAula".
        horario.append("actividad", {{"tipo", tarea},
                                     {"codigoProfesor", teacher},
                                     {"codigoGrupo", group},
                                     {"codigoMateria", subject},
                                     {pass == Pass::Lesson ? "codigoAula" : "codigAula", room},
                                     {"dia", dayLetter(day)},
                                     {"HoraInicio", t.tramos.getText("HORADESDE")},
                                     {"HoraFin", t.tramos.getText("HORAHASTA")}});
        ++(pass == Pass::Lesson ? summary.lessons : summary.tasks);
    }
}

} // namespace

void lessonPass(ActivityTables& tables, XmlChildStream& horario, RunSummary& summary) {
    runPass(Pass::Lesson, tables, horario, summary);
}

void taskPass(ActivityTables& tables, XmlChildStream& horario, RunSummary& summary) {
    runPass(Pass::Task, tables, horario, summary);
}

} // namespace vinculor::importing
