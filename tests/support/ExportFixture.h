#pragma once

#include "export/ExportContext.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace vinculor::testing {

// A Horavia directory, a run state bound to it and a document to export from,
// for tests that call the export steps one by one.
class ExportFixture : public ::testing::Test {
protected:
    TempDir htemp;
    RunState state;
    XmlFamilies doc;

    ExportFixture() {
        state.horaviaDir = htemp.path();
        state.tables.bindAll(htemp.path());
    }

    // Loads `centroBody`, the content of a <Centro> element.
    void load(const std::string& centroBody) {
        doc = XmlFamilies::fromBytes("<Centro>" + centroBody + "</Centro>", exporting::schoolFamilies());
    }

    exporting::ExportContext context() {
        return exporting::ExportContext{state, doc, htemp.path(), state.summary};
    }

    std::vector<std::string> rows(const std::string& table, const std::vector<std::string>& fields) {
        return dumpRows(htemp.path(), table, fields);
    }
};

} // namespace vinculor::testing
