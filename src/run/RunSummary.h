#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vinculor {

// What a run wrote, and what it left out or changed on the way, for the user.
struct RunSummary {
    struct TableCount {
        std::string table;
        std::size_t records = 0;
    };
    struct CodeChange {
        std::string table;
        std::string original; // the code as the school's file gives it
        std::string written;  // the code written to the table
    };
    struct Omission {
        std::string table;
        std::string code;   // the element's code
        std::string reason; // Spanish, for the user
    };

    // A list that may be long: its first lines, and how many it has in all.
    struct CappedList {
        std::vector<std::string> shown;
        std::size_t total = 0;
        // Counts a line, kept while fewer than `most` are.
        void add(std::string line, std::size_t most) {
            if (total++ < most) {
                shown.push_back(std::move(line));
            }
        }
    };

    std::string direction; // "exportar", "importar" or "horario" (the timetable document alone)

    // Where the run read and wrote, UTF-8.
    std::string inputFile;  // the school's file
    std::string horaviaDir; // the timetabling program's directory

    // What the run found left by interrupted runs and put right first (Spanish, one line each).
    std::vector<std::string> recovered;

    // Export
    std::vector<TableCount> tables;
    std::vector<CodeChange> codeChanges;
    std::vector<Omission> omissions;         // elements that got no record
    std::vector<std::string> tutorsNotFound; // "group: tutor"
    std::vector<std::string> teachingsNotFound;
    std::vector<std::string> departmentsNotFound; // "teacher: department"
    std::vector<std::string> subjectsNotFound; // group subjects not in the file's subjects: "subject: groups"
    // Subjects that the import will give back under another subject's code:
    // "subject: volverá como «code», igual que other".
    std::vector<std::string> subjectsReturnedAlike;
    // Elements that got the code of an earlier one of their table, which the
    // timetabling program will take for the same: "AULAT: «X» como «Y» → «code»".
    CappedList codesShared;
    // Sessions of one day that share time, or that end before they start:
    // "Lunes: 08:00-09:00 y 08:30-09:30", "Lunes: 09:00-08:00".
    CappedList sessionsOverlapping;
    CappedList sessionsBackwards;

    // Import
    std::size_t solucRecords = 0;
    std::size_t lessons = 0;
    std::size_t tasks = 0;
    std::size_t skippedDayOrSlotZero = 0;
    std::size_t skippedGroupNotFound = 0;
    std::size_t skippedSubjectNotFound = 0;
    std::size_t skippedSlotNotFound = 0;
    // Codes of SOLUC that PROFT or AULAT lacks, whose activities went without
    // them: "code: records", by code.
    CappedList teachersNotFound;
    CappedList roomsNotFound;
    std::string outputFile;
    std::string timetableFile; // the timetable document written beside the output, if any
    // The timetable's check (import, and the "horario" command).
    std::size_t groupClashes = 0;
    std::size_t teacherClashes = 0;
    std::size_t roomClashes = 0;
    std::size_t hoursDiffering = 0; // group subjects placed more or less than planned
    std::string timetableError;     // why the timetable document was not written; the output stands
    // Values that held characters an XML document cannot carry, written with "?" in their place.
    std::size_t valuesWithControlCharacters = 0;

    void setTableCount(const std::string& table, std::size_t records);

    // Spanish text, one fact a line, for the window's details and the command line.
    std::string toText() const;
    std::string toJson() const;
};

} // namespace vinculor
