#include "support/TableDump.h"

#include "services/Table.h"

namespace vinculor::testing {

std::vector<std::string> dumpRows(const std::filesystem::path& dir, const std::string& name) {
    Table table(dir, name);
    table.open();
    std::vector<std::string> fields;
    for (const FieldInfo& field : table.fields()) {
        fields.push_back(field.name);
    }
    table.discard();
    return dumpRows(dir, name, fields);
}

std::vector<std::string> dumpRows(const std::filesystem::path& dir, const std::string& name,
                                  const std::vector<std::string>& fields) {
    Table table(dir, name);
    table.open();
    std::vector<std::string> rows;
    for (table.first(); !table.eof(); table.next()) {
        std::string row;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            row += (i == 0 ? "" : "|") + table.getText(fields[i]);
        }
        rows.push_back(row);
    }
    table.discard();
    return rows;
}

} // namespace vinculor::testing
