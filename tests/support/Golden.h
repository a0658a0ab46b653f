#pragma once

#include <filesystem>
#include <string>

namespace vinculor::testing {

// Compares `actual` with the expected text kept in the file `golden`, and on a
// difference fails the test naming the first line that differs.
//
// Expected files are checked by hand and then kept. To rewrite them after a
// deliberate change, run the tests with VINCULOR_UPDATE_GOLDEN=1 in the
// environment: each comparison then writes `actual` to its file instead (and
// the test is marked as skipped), and the diff is reviewed before committing.
void expectGolden(const std::filesystem::path& golden, const std::string& actual);

} // namespace vinculor::testing
