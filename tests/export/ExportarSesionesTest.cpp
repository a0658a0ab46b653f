#include "base/Error.h"
#include "support/ExportFixture.h"

namespace vinculor::exporting {
namespace {

using testing::ExportFixture;

struct Slot {
    std::string dia, start, end;
};

class ExportarSesionesTest : public ExportFixture {
protected:
    void run(const std::vector<Slot>& slots) {
        std::string body = "<Sesiones>";
        for (const Slot& s : slots) {
            body += "<Sesion Dia='" + s.dia + "' HoraInicio='" + s.start + "' HoraFin='" + s.end + "'/>";
        }
        load(body + "</Sesiones>");
        ExportContext ctx = context();
        lengths_ = ExportarSesiones(ctx);
    }
    std::vector<int> lengths() const { return {lengths_.first, lengths_.second, lengths_.third}; }
    SessionLengths lengths_;
};

TEST_F(ExportarSesionesTest, SlotsAreNumberedByDayInOrderOfTime) {
    run({{"M", "09:00", "10:00"},
         {"L", "10:00", "11:00"},
         {" L ", "08:00", "09:00"},
         {"  ", "07:00", "08:00"},
         {"Miércoles", "12:00", "12:30"}});
    const std::vector<std::string> expected = {
        "11||1|Lunes|1|1-08:00-09:00|08:00|09:00|60|0|", "12||1|Lunes|2|2-10:00-11:00|10:00|11:00|60|0|",
        "21||2|Martes|1|1-09:00-10:00|09:00|10:00|60|0|",
        "22||2|Martes|2|2-12:00-12:30|12:00|12:30|30|0|", // only the first letter counts
    };
    EXPECT_EQ(rows("DIASHORAST", {"DIHO", "CODDIHO", "DIA", "TEXTODIA", "HORA", "TEXTOHOR", "HORADESDE",
                                  "HORAHASTA", "MINUTOS", "MARCO", "MARCOXML"}),
              expected);
}

TEST_F(ExportarSesionesTest, TenSlotsADayDuplicatesAndNegativeLengths) {
    std::vector<Slot> slots;
    for (int h = 8; h < 18; ++h) {
        const auto hhmm = [](int hour) { return (hour < 10 ? "0" : "") + std::to_string(hour) + ":00"; };
        slots.push_back({"D", hhmm(h), hhmm(h + 1)});
    }
    slots.push_back({"S", "10:45", "11:15"});
    slots.push_back({"S", "10:45", "11:15"});
    slots.push_back({"X", "11:00", "10:30"});
    run(slots);
    const auto got = rows("DIASHORAST", {"DIHO", "TEXTODIA", "HORA", "TEXTOHOR", "MINUTOS"});
    ASSERT_EQ(got.size(), 13u);
    EXPECT_EQ(got[0], "31|Miércoles|1|1-11:00-10:30|-30");
    EXPECT_EQ(got[1], "61|Sábado|1|1-10:45-11:15|30");
    EXPECT_EQ(got[2], "62|Sábado|2|2-10:45-11:15|30");
    EXPECT_EQ(got[12], "710|Domingo|10|10-17:00-18:00|60");
}

// The table keeps such sessions as they are; the summary names them, for a
// class in two sessions that share time would be in two places at once.
TEST_F(ExportarSesionesTest, TheSummaryNamesSessionsThatShareTimeEndBeforeTheyStartOrHaveNoDay) {
    run({{"L", "08:00", "09:00"},
         {"L", "08:30", "09:30"}, // shares time with the first
         {"L", "09:30", "10:30"}, // inside the next one in time
         {"L", "09:00", "12:00"}, // shares time with the second
         {"L", "11:00", "11:30"}, // inside it too
         {"M", "08:00", "09:00"},
         {"M", "08:00", "09:00"}, // twice
         {"X", "11:00", "10:30"}, // backwards
         {"X", "12:00", "12:00"}, // no time at all
         {"J", "08:00", "09:00"},
         {"J", "09:00", "10:00"}, // starts as the one before ends: none shared
         {"V", "08:00", "10:00"},
         {"V", "09:00", "09:00"},  // inside it, but no time at all: shares no minute
         {"", "13:00", "14:00"}}); // no day: no slot
    EXPECT_EQ(
        state.summary.sessionsOverlapping.shown,
        (std::vector<std::string>{"Lunes: 08:00-09:00 y 08:30-09:30", "Lunes: 08:30-09:30 y 09:00-12:00",
                                  "Lunes: 09:00-12:00 y 09:30-10:30", "Lunes: 09:00-12:00 y 11:00-11:30",
                                  "Martes: 08:00-09:00 y 08:00-09:00"}));
    EXPECT_EQ(state.summary.sessionsBackwards.shown,
              (std::vector<std::string>{"Miércoles: 11:00-10:30", "Miércoles: 12:00-12:00",
                                        "Viernes: 09:00-09:00"}));
    ASSERT_EQ(state.summary.omissions.size(), 1u);
    EXPECT_EQ(state.summary.omissions[0].code, "13:00-14:00");
    EXPECT_EQ(rows("DIASHORAST", {"DIHO"}).size(), 13u); // all but the one without a day
    EXPECT_NE(state.summary.toText().find("Sesiones que terminan antes de empezar, o cuando empiezan (3):\n"
                                          "  Miércoles: 11:00-10:30\n"),
              std::string::npos)
        << state.summary.toText();

    // A week of sessions that all share time lists the first twenty and counts them all.
    state.summary = RunSummary{};
    std::vector<Slot> crowded;
    for (int i = 0; i < 30; ++i) {
        crowded.push_back({"V", "08:00", "09:00"});
    }
    run(crowded);
    EXPECT_EQ(state.summary.sessionsOverlapping.total, 29u);
    EXPECT_EQ(state.summary.sessionsOverlapping.shown.size(), 20u);
    EXPECT_NE(state.summary.toText().find("Viernes: 08:00-09:00 y 08:00-09:00\n  y 9 más\n"),
              std::string::npos)
        << state.summary.toText();
    EXPECT_NE(state.summary.toJson().find("\"sesionesQueCoinciden\": {\"total\": 29, \"primeros\": ["),
              std::string::npos)
        << state.summary.toJson();
}

TEST_F(ExportarSesionesTest, CountsLengthsInOrderOfFirstOccurrenceAndTakesTheFirstThree) {
    struct Case {
        const char* name;
        std::vector<Slot> slots;
        std::vector<std::string> counts;
        std::vector<int> lengths;
    };
    const Case cases[] = {
        {"none", {}, {}, {0, 0, 0}},
        {"one slot", {{"L", "08:00", "08:55"}}, {"55|1"}, {55, 55, 0}},
        {"one length", {{"L", "08:00", "08:55"}, {"M", "08:00", "08:55"}}, {"55|2"}, {55, 55, 0}},
        {"two lengths", {{"L", "08:00", "08:55"}, {"L", "10:45", "11:15"}}, {"55|1", "30|1"}, {55, 30, 30}},
        {"many",
         {{"L", "08:00", "08:55"},
          {"L", "08:55", "09:50"},
          {"L", "10:45", "11:15"},
          {"L", "11:15", "12:10"},
          {"L", "12:10", "13:10"},
          {"L", "13:10", "13:55"}},
         {"55|3", "30|1", "60|1", "45|1"},
         {55, 30, 60}},
    };
    for (const Case& c : cases) {
        run(c.slots);
        EXPECT_EQ(rows("COUNTSES", {"DURACION", "NSES"}), c.counts) << c.name;
        EXPECT_EQ(lengths(), c.lengths) << c.name;
    }
}

TEST_F(ExportarSesionesTest, AnEarlierRunsSlotsNeverReachALaterTable) {
    run({{"L", "08:00", "09:00"}, {"L", "09:00", "10:00"}});
    run({{"M", "08:00", "09:00"}});
    EXPECT_EQ(rows("DIASHORAST", {"DIHO"}), std::vector<std::string>{"21"});
}

TEST_F(ExportarSesionesTest, BadTimesAndDaysStopTheStep) {
    struct Case {
        Slot slot;
        std::string message;
    };
    const Case cases[] = {
        // The number's own message, then the session and what to do.
        {{"L", "8:00", "09:00"},
         "'8:' is not a valid integer value\nEn una sesión (Sesion) del Lunes, «8:00-09:00»"},
        {{"M", "08:00", "09:xx"},
         "'xx' is not a valid integer value\nEn una sesión (Sesion) del Martes, «08:00-09:xx»"},
        {{"D", "08:00", ""},
         "':0' is not a valid integer value\nEn una sesión (Sesion) del Domingo, «08:00-»"},
        {{"J", "8 :00", "9:00"},
         "'8 ' is not a valid integer value\nEn una sesión (Sesion) del Jueves, «8 :00-9:00»"},
        {{"l", "08:00", "09:00"},
         "Día de sesión no válido: 'l'\nEn la sesión (Sesion) de «08:00» a «09:00», atributo «Dia»"},
        {{"Ñ", "08:00", "09:00"}, "Día de sesión no válido: 'Ñ'\n"},
        {{"7", "08:00", "09:00"}, "Día de sesión no válido: '7'\n"},
    };
    for (const Case& c : cases) {
        try {
            run({c.slot});
            ADD_FAILURE() << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find("Pincel-eKade y vuelva a exportar."), std::string::npos);
        }
        state.tables.closeAllQuietly();
    }
}

} // namespace
} // namespace vinculor::exporting
