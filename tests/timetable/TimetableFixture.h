#pragma once

#include "import/ImportRun.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vinculor::testing {

// A small school with names that need escaping, the export's tables for it in
// a Horavia directory, and a SOLUC written by each test.
class TimetableFixture : public ::testing::Test {
protected:
    TempDir work;
    TempDir htemp;
    RunState state;
    ScriptedUi ui;

    TimetableFixture();

    std::filesystem::path schoolFile() const { return work / "centro.xml"; }
    std::filesystem::path timetableFile() const { return work / "HorarioHoraviacentro.html"; }
    std::filesystem::path resultFile() const { return work / "ResultadoHoraviacentro.xml"; }

    // Records of ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA.
    void writeSoluc(const std::vector<std::vector<std::string>>& records);
    // Records of COD, ABREV_GESTION, ESTAREA ("T" or "F"), in place of the fixture's.
    void writeSubjects(const std::vector<std::vector<std::string>>& records);
    RunOutcome runImport();
};

// How often `needle` occurs in `haystack`.
std::size_t occurrences(const std::string& haystack, const std::string& needle);

} // namespace vinculor::testing
