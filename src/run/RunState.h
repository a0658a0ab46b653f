#pragma once

#include "dbf/Table.h"
#include "run/RunSummary.h"

#include <filesystem>
#include <string>

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
// runs the conversions (the window, the command line, a test). What one run
// reads and works out (the school's document, the code lists, the slots)
// belongs to that run and goes with it.
struct RunState {
    int LaunchedWithParams = 0; // 2 in command-line mode
    int TransformStatus = 0;    // 1 completed, -1 input missing, 0 otherwise

    std::string filenameXML; // last path confirmed in the file dialog, UTF-8

    std::filesystem::path horaviaDir; // where the timetabling program's tables are
    TableComponents tables;

    RunSummary summary; // of the last run

    bool commandLineMode() const { return LaunchedWithParams == 2; }
};

} // namespace vinculor
