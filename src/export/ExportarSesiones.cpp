#include "base/Error.h"
#include "export/ExportContext.h"
#include "text/Text.h"

#include <algorithm>
#include <array>

namespace vinculor::exporting {

namespace {

constexpr std::array<const char*, 7> kDayLetters = {"L", "M", "X", "J", "V", "S", "D"};
constexpr std::array<const char*, 7> kDayNames = {"Lunes",   "Martes", "Miércoles", "Jueves",
                                                  "Viernes", "Sábado", "Domingo"};

// The day digit of a trimmed, non-empty Dia: its first character, upper case only.
char dayDigit(const std::string& dia) {
    for (std::size_t i = 0; i < kDayLetters.size(); ++i) {
        if (dia[0] == kDayLetters[i][0]) {
            return static_cast<char>('1' + i);
        }
    }
    throw Error("Día de sesión no válido: '" + dia + "'");
}

int minutesOf(const std::string& key, std::size_t hoursAt, std::size_t minutesAt) {
    return 60 * text::parseInteger(text::mid(key, hoursAt, 2)) +
           text::parseInteger(text::mid(key, minutesAt, 2));
}

// Session lengths from the distinct slot lengths in order of first occurrence:
// none gives 0, 0, 0; one D1, D1, 0; two D1, D2, D2; more D1, D2, D3.
SessionLengths sessionLengths(const std::vector<std::string>& durations) {
    const auto at = [&](std::size_t i) { return text::parseInteger(durations[i]); };
    const std::size_t n = durations.size();
    return SessionLengths{n >= 1 ? at(0) : 0, n >= 2 ? at(1) : (n == 1 ? at(0) : 0),
                          n >= 3 ? at(2) : (n == 2 ? at(1) : 0)};
}

} // namespace

SessionLengths ExportarSesiones(ExportContext& ctx) {
    deleteTableFiles(ctx.dir, "DIASHORAST");
    Table slots(ctx.dir, "DIASHORAST");
    slots.create({
        {"DIHO", FieldType::Character, 10},
        {"CODDIHO", FieldType::Character, 10},
        {"DIA", FieldType::Character, 20},
        {"TEXTODIA", FieldType::Character, 20},
        {"HORA", FieldType::Character, 8},
        {"TEXTOHOR", FieldType::Character, 15},
        {"HORADESDE", FieldType::Character, 8},
        {"HORAHASTA", FieldType::Character, 8},
        {"MINUTOS", FieldType::Character, 8},
        {"MARCO", FieldType::Character, 1},
        {"MARCOXML", FieldType::Character, 10},
    });

    // Slot keys: day digit, start, end, " ", start, "-", end; sorted, they
    // order the week by day, then start, then end.
    std::vector<std::string>& keys = ctx.ListBoxPlanti;
    keys.clear();
    for (const XmlNode& session : ctx.doc.selectNodes("/Centro/Sesiones/Sesion")) {
        const std::string dia = attr(session, "Dia");
        if (dia.empty()) {
            continue;
        }
        const char digit = dayDigit(dia);
        const std::string start = attr(session, "HoraInicio");
        const std::string end = attr(session, "HoraFin");
        keys.push_back(digit + start + end + " " + start + "-" + end);
    }
    std::stable_sort(keys.begin(), keys.end());

    slots.open();
    std::vector<std::string> minutesTexts;
    minutesTexts.reserve(keys.size());
    int previousDay = 0;
    int slot = 0;
    for (const std::string& key : keys) {
        const int day = key[0] - '0';
        if (day != previousDay) {
            slot = 0;
            previousDay = day;
        }
        ++slot;
        const int startMinutes = minutesOf(key, 2, 5);
        const int endMinutes = minutesOf(key, 7, 10);
        const int minutes = endMinutes - startMinutes;
        minutesTexts.push_back(text::formatInteger(minutes));

        slots.append();
        slots.setText("DIHO", std::to_string(day) + std::to_string(slot));
        slots.setText("DIA", std::to_string(day));
        slots.setText("TEXTODIA", kDayNames[day - 1]);
        slots.setText("HORA", std::to_string(slot));
        slots.setText("TEXTOHOR", std::to_string(slot) + "-" + text::mid(key, 13, 11));
        slots.setText("HORADESDE", text::mid(key, 2, 5));
        slots.setText("HORAHASTA", text::mid(key, 7, 5));
        slots.setText("MINUTOS", minutesTexts.back());
        slots.setText("MARCO", "0");
        slots.post();
    }

    // COUNTSES: one record per distinct length, in order of first occurrence,
    // with the number of slots of that length; indexed by that number.
    deleteTableFiles(ctx.dir, "COUNTSES");
    Table counts(ctx.dir, "COUNTSES");
    counts.create({{"DURACION", FieldType::Character, 10}, {"NSES", FieldType::Integer, 0}},
                  IndexDef{"NSES", "NSES"});
    counts.open();
    std::vector<std::string> durations;
    for (const std::string& minutes : minutesTexts) {
        if (counts.locate("DURACION", minutes)) {
            counts.edit();
            counts.setInt("NSES", counts.getInt("NSES") + 1);
        } else {
            counts.append();
            counts.setText("DURACION", minutes);
            counts.setInt("NSES", 1);
            durations.push_back(minutes);
        }
        counts.post();
    }
    const SessionLengths lengths = sessionLengths(durations);

    ctx.summary.setTableCount("DIASHORAST", slots.recordCount());
    ctx.summary.setTableCount("COUNTSES", counts.recordCount());
    counts.close();
    slots.close();
    return lengths;
}

} // namespace vinculor::exporting
