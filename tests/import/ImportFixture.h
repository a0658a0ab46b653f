#pragma once

#include "import/ImportRun.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace vinculor::testing {

// A Horavia directory with the export's look-up tables and a school file beside
// it, ready for an import.
class ImportFixture : public ::testing::Test {
protected:
    TempDir work;
    TempDir htemp;
    RunState state;
    ScriptedUi ui;
    std::string schoolFile;

    ImportFixture();

    // Writes SOLUC with text ASIG/TAREA/CODGRUPO/PROF/AULA, integer DIA and
    // floating-point HORA fields; each record in that field order.
    void writeSoluc(const std::vector<std::vector<std::string>>& records);

    // Runs the import with the school file confirmed in the dialog.
    RunOutcome runImport();

    std::filesystem::path outputFile() const { return work / "ResultadoHoraviacentro.xml"; }
    // The "actividad" elements of the output, one line each: attribute=value pairs in order.
    std::vector<std::string> activities() const;
};

} // namespace vinculor::testing
