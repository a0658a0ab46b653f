#pragma once

#include "run/RunSummary.h"
#include "dbf/Table.h"
#include "xml/XmlDocument.h"

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace vinculor {

// The outcome of a run that did not end in an error.
enum class RunOutcome { Completed, InputMissing };

// The window's table components, each bound to the Horavia table of its name.
struct TableComponents {
    Table wwTableNomAsg;   // ASIGNOMT
    Table wwTableProfesor; // PROFT
    Table wwTableTramos;   // DIASHORAST
    Table wwTableAulas;    // AULAT
    Table wwTableGrupos;   // GRUPOST
    Table wwTableAsig;     // ASIGT
    Table wwTableSoluc;    // SOLUC
    Table wwTableCursos;   // CURSOST

    void bindAll(const std::filesystem::path& directory);
    // Closes every open component without writing; used when a run ends in an error.
    void closeAllQuietly() noexcept;
};

// The state the runs share for as long as the program runs: owned by whoever
// runs the conversions (the window, the command line, a test).
struct RunState {
    int LaunchedWithParams = 0; // 2 in command-line mode
    int TransformStatus = 0;    // 1 completed, -1 input missing, 0 otherwise

    // Subject codes already written (ShortCodes) and keys already seen
    // (LongCodes) in this export run; compared exactly.
    std::unordered_set<std::string> ShortCodes;
    std::unordered_set<std::string> LongCodes;

    std::unique_ptr<XmlDocument> XmlDoc;

    int SessionLength1 = 0;
    int SessionLength2 = 0;
    int SessionLength3 = 0;

    // The sessions step's slot keys, in ascending order.
    std::vector<std::string> ListBoxPlanti;

    std::string filenameXML; // last path confirmed in the file dialog, UTF-8

    std::filesystem::path horaviaDir; // where the timetabling program's tables are
    TableComponents tables;

    RunSummary summary; // of the last run

    bool commandLineMode() const { return LaunchedWithParams == 2; }
};

} // namespace vinculor
