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
char dayDigit(std::string_view dia, std::string_view start, std::string_view end) {
    for (std::size_t i = 0; i < kDayLetters.size(); ++i) {
        if (dia[0] == kDayLetters[i][0]) {
            return static_cast<char>('1' + i);
        }
    }
    throw Error("Día de sesión no válido: '" + std::string(dia) + "'\nEn la sesión (Sesion) de «" +
                std::string(start) + "» a «" + std::string(end) +
                "», atributo «Dia»: el día es una de las letras L, M, X, J, V, S o D, en mayúscula. "
                "Corríjalo en Pincel-eKade y vuelva a exportar.");
}

int minutesOf(const std::string& key, std::size_t hoursAt, std::size_t minutesAt) {
    return 60 * text::parseInteger(text::mid(key, hoursAt, 2)) +
           text::parseInteger(text::mid(key, minutesAt, 2));
}

// The message of a time that is not HH:MM, then the session that has it, as
// its key gives it back: the day and "start-end". The key is the day, start
// and end, a blank, start, '-' and end: 3 + 2 × (start + end) bytes.
[[noreturn]] void notATime(const Error& e, const std::string& key, int day) {
    const std::string times = key.size() >= 3 ? key.substr(2 + (key.size() - 3) / 2) : std::string();
    throw Error(e.kind(), std::string(e.what()) + "\nEn una sesión (Sesion) del " + kDayNames[day - 1] +
                              ", «" + times +
                              "» (HoraInicio-HoraFin): escriba cada hora como HH:MM (por ejemplo 08:00) en "
                              "Pincel-eKade y vuelva a exportar.");
}

// Session lengths from the distinct slot lengths in order of first occurrence:
// none gives 0, 0, 0; one D1, D1, 0; two D1, D2, D2; more D1, D2, D3.
SessionLengths sessionLengths(const std::vector<std::string>& durations) {
    const auto at = [&](std::size_t i) { return text::parseInteger(durations[i]); };
    const std::size_t n = durations.size();
    return SessionLengths{n >= 1 ? at(0) : 0, n >= 2 ? at(1) : (n == 1 ? at(0) : 0),
                          n >= 3 ? at(2) : (n == 2 ? at(1) : 0)};
}

// Notes the sessions of a day that share a minute with an earlier one (they
// come by day, then start), and those that end before they start, or as they
// start (which share none); the first kListedLines of each.
class SessionOverlaps {
public:
    explicit SessionOverlaps(RunSummary& summary) : summary_(summary) {}

    void add(int day, int start, int end, const std::string& times) {
        const std::string where = std::string(kDayNames[day - 1]) + ": ";
        if (end <= start) {
            summary_.sessionsBackwards.add(where + times, kListedLines);
            return;
        }
        if (day == day_ && start < latestEnd_) {
            summary_.sessionsOverlapping.add(where + latestTimes_ + " y " + times, kListedLines);
        }
        if (day != day_ || end > latestEnd_) {
            day_ = day;
            latestEnd_ = end;
            latestTimes_ = times;
        }
    }

private:
    RunSummary& summary_;
    int day_ = 0;
    int latestEnd_ = 0;       // the latest end of the day's sessions so far
    std::string latestTimes_; // that session's "start-end"
};

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
        const std::string_view dia = attr(session, session::Dia);
        const std::string_view start = attr(session, session::HoraInicio);
        const std::string_view end = attr(session, session::HoraFin);
        if (dia.empty()) {
            ctx.summary.omissions.push_back({"DIASHORAST", std::string(start) + "-" + std::string(end),
                                             "sesión sin día (su atributo «Dia» está vacío)"});
            continue;
        }
        std::string& key = keys.emplace_back(1, dayDigit(dia, start, end));
        key.append(start).append(end).append(" ").append(start).append("-").append(end);
    }
    std::stable_sort(keys.begin(), keys.end());

    slots.open();
    const Table::Field diho = slots.field("DIHO"), dia = slots.field("DIA"),
                       textodia = slots.field("TEXTODIA"), hora = slots.field("HORA"),
                       textohor = slots.field("TEXTOHOR"), horadesde = slots.field("HORADESDE"),
                       horahasta = slots.field("HORAHASTA"), minutos = slots.field("MINUTOS"),
                       marco = slots.field("MARCO");
    std::vector<std::string> minutesTexts;
    minutesTexts.reserve(keys.size());
    SessionOverlaps overlaps(ctx.summary);
    int previousDay = 0;
    int slot = 0;
    for (const std::string& key : keys) {
        const int day = key[0] - '0';
        if (day != previousDay) {
            slot = 0;
            previousDay = day;
        }
        ++slot;
        int minutes = 0;
        int startMinutes = 0;
        try {
            startMinutes = minutesOf(key, 2, 5); // first: its fault is the one reported
            minutes = minutesOf(key, 7, 10) - startMinutes;
        } catch (const Error& e) {
            notATime(e, key, day);
        }
        overlaps.add(day, startMinutes, startMinutes + minutes, text::mid(key, 13, 11));
        minutesTexts.push_back(text::formatInteger(minutes));

        const std::string slotText = std::to_string(slot);
        slots.append();
        slots.setText(diho, std::to_string(day) + slotText);
        slots.setText(dia, std::to_string(day));
        slots.setText(textodia, kDayNames[day - 1]);
        slots.setText(hora, slotText);
        slots.setText(textohor, slotText + "-" + text::mid(key, 13, 11));
        slots.setText(horadesde, text::mid(key, 2, 5));
        slots.setText(horahasta, text::mid(key, 7, 5));
        slots.setText(minutos, minutesTexts.back());
        slots.setText(marco, "0");
        slots.post();
    }

    // COUNTSES: one record per distinct length, in order of first occurrence,
    // with the number of slots of that length; indexed by that number.
    deleteTableFiles(ctx.dir, "COUNTSES");
    Table counts(ctx.dir, "COUNTSES");
    counts.create({{"DURACION", FieldType::Character, 10}, {"NSES", FieldType::Integer, 0}},
                  IndexDef{"NSES", "NSES"});
    counts.open();
    const Table::Field duracion = counts.field("DURACION"), nses = counts.field("NSES");
    std::vector<std::string> durations;
    for (const std::string& minutes : minutesTexts) {
        if (counts.locate(duracion, minutes)) {
            counts.edit();
            counts.setInt(nses, counts.getInt(nses) + 1);
        } else {
            counts.append();
            counts.setText(duracion, minutes);
            counts.setInt(nses, 1);
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
