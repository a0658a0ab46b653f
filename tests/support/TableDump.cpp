#include "support/TableDump.h"

#include "dbf/Table.h"

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
            if (i != 0) {
                row += '|';
            }
            row += table.getText(fields[i]);
        }
        rows.push_back(row);
    }
    table.discard();
    return rows;
}

void createTable(const std::filesystem::path& dir, const std::string& name,
                 const std::vector<FieldDef>& fields, const std::vector<std::vector<std::string>>& records) {
    Table table(dir, name);
    table.create(fields);
    table.open();
    for (const auto& record : records) {
        table.append();
        for (std::size_t i = 0; i < fields.size() && i < record.size(); ++i) {
            const std::string& value = record[i];
            if (value.empty()) {
                continue;
            }
            switch (fields[i].type) {
            case FieldType::Character:
                table.setText(fields[i].name, value);
                break;
            case FieldType::Boolean:
                table.setBool(fields[i].name, value == "T");
                break;
            case FieldType::Integer:
                table.setInt(fields[i].name, std::stoi(value));
                break;
            case FieldType::Float:
                table.setDouble(fields[i].name, std::stod(value));
                break;
            }
        }
        table.post();
    }
    table.close();
}

} // namespace vinculor::testing
