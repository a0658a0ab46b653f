#pragma once

#include "base/Error.h"
#include "dbf/Table.h"
#include "files/RecordSpool.h"
#include "import/LookupTable.h"
#include "import/ShortText.h"
#include "run/RunSummary.h"
#include "timetable/Timetable.h"
#include "xml/XmlChildStream.h"

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor::importing {

// The open tables the passes read.
struct ActivityTables {
    Table& soluc;       // the computed timetable
    Table& grupos;      // GRUPOST
    Table& profesores;  // PROFT
    Table& aulas;       // AULAT
    Table& asignaturas; // ASIGNOMT
    Table& tramos;      // DIASHORAST
};

// The two passes over SOLUC, made in one walk of it. Each appends its
// "actividad" elements to the "horario" element, written out as they come
// (XmlChildStream), where there is one, and gives the same activities, and the
// records it leaves out, to the timetable:
// - lessons(): one "actividad" per SOLUC record whose ASIG differs from its
//   TAREA and whose group, subject and time slot are found; the other records,
//   the tasks, are kept aside as they are (beyond a megabyte, in a temporary
//   file beside `scratch`);
// - tasks(): then one "actividad" per task whose activity type and time slot
//   are found, in SOLUC's order.
// SOLUC must have the fields kSolucFields names.
class ActivityPasses {
public:
    ActivityPasses(ActivityTables& tables, XmlChildStream* horario, RunSummary& summary,
                   timetable::Timetable& timetable, const std::filesystem::path& scratch);

    void lessons();
    void tasks();

private:
    enum Solu { Asig, Tarea, Dia, Hora, Grupo, Prof, Aula, kFields };
    // A field of SOLUC, resolved once.
    struct Field {
        FieldInfo info;
        std::string converted;         // its text where the bytes are not it
        std::array<char, 12> digits{}; // an integer's text
    };

    const char* padded(const char* bytes);
    struct Number {
        double value = 0;
        std::string_view text;
    };
    // A field's text; where it is short, the same as a ShortText.
    struct Code {
        std::string_view text;
        ShortText key;
        bool isShort = false;
    };
    Code code(const char* bytes, Solu field);
    // What a record's codes found in the look-up tables: their records, and
    // the texts taken from them.
    struct Found {
        bool task = false;
        std::int32_t day = 0;
        double period = 0;                            // HORA, the slot's number in its day
        Code group;                                   // as SOLUC gives it
        const LookupTable::Row* groupRow = nullptr;   // a lesson's
        const LookupTable::Row* subjectRow = nullptr; // a lesson's subject or a task's activity type
        LookupTable::Text subject;                    // a lesson's; none for a task
        const LookupTable::Row* teacherRow = nullptr;
        std::string_view teacher; // SOLUC's text, where PROFT has it
        const LookupTable::Row* roomRow = nullptr;
        LookupTable::Text room;    // AULAT's ABREV_GESTION, for the result
        std::string_view roomCode; // SOLUC's text, where AULAT has it: Horavia's code of the room
        const LookupTable::Row* slotRow = nullptr;
        LookupTable::Text start, end;
    };
    void record(const char* bytes, bool task, const Code& asig, std::string_view tarea);
    // Fills `found`; the reason the record is left out where a code is missing.
    std::optional<timetable::Reason> lookUp(const char* bytes, bool task, const Code& asig, Found& found);
    void place(const Found& found, const char* bytes);
    void write(const Found& found, std::string_view tarea);
    static const LookupTable::Row* find(LookupTable& table, const Code& code) {
        return code.isShort ? table.find(code.key) : table.find(code.text);
    }
    Number number(const char* bytes, Solu field, bool whole);
    Number readNumber(const char* bytes, Solu field, bool whole);
    [[noreturn]] void notANumber(const Error& e, const char* bytes, Solu field);
    void leftOut(timetable::Reason reason, bool task, const char* bytes);
    // A code of SOLUC that its look-up table lacks, counted; into the summary once the passes end.
    static void notFound(std::map<std::string, std::size_t, std::less<>>& codes, std::string_view code);
    static RunSummary::CappedList listed(const std::map<std::string, std::size_t, std::less<>>& codes);

    ActivityTables& t_;
    XmlChildStream* horario_;
    RunSummary& summary_;
    timetable::Timetable& timetable_;
    std::array<Field, kFields> fields_;
    std::string record_; // the current record, with room to read ShortText::kMax bytes at any field
    LookupTable groups_, subjects_, teachers_, rooms_, slots_;
    files::RecordSpool tasks_;
    std::vector<std::uint32_t> slotTimes_; // DIASHORAST's record place -> the timetable's time
    // The output's fixed texts, encoded once, and room for SOLUC's texts
    // that need escaping or encoding.
    std::array<std::string, 8> xml_; // kPieces, encoded
    std::array<std::string, 2> scratch_;
    std::array<std::string, 8> dayXml_; // " dia=\"L\" HoraInicio=\"" and so on
    std::string slotKey_;
    std::map<std::string, std::size_t, std::less<>> teachersNotFound_, roomsNotFound_;
};

} // namespace vinculor::importing
