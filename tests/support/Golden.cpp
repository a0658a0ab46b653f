#include "support/Golden.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace vinculor::testing {

namespace {

bool updating() {
    const char* value = std::getenv("VINCULOR_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

std::string lineAt(const std::string& text, std::size_t index) {
    std::istringstream in(text);
    std::string line;
    for (std::size_t i = 0; std::getline(in, line); ++i) {
        if (i == index) {
            return line;
        }
    }
    return "(end of text)";
}

} // namespace

void expectGolden(const std::filesystem::path& golden, const std::string& actual) {
    if (updating()) {
        writeText(golden, actual);
        GTEST_SKIP() << "rewrote " << golden.string();
    }
    ASSERT_TRUE(std::filesystem::exists(golden)) << "missing " << golden.string();
    const std::string expected = readText(golden);
    if (expected == actual) {
        return;
    }
    std::size_t index = 0;
    for (std::size_t i = 0; i < expected.size() && i < actual.size() && expected[i] == actual[i]; ++i) {
        index += expected[i] == '\n' ? 1 : 0;
    }
    ADD_FAILURE() << golden.filename().string() << " differs at line " << index + 1
                  << ":\n  expected: " << lineAt(expected, index)
                  << "\n  actual:   " << lineAt(actual, index);
}

} // namespace vinculor::testing
