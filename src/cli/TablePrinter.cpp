#include "cli/TablePrinter.h"

#include "base/Error.h"
#include "dbf/Table.h"
#include "files/FileSystem.h"
#include "text/Ascii.h"
#include "text/Json.h"

#include <ostream>
#include <string>
#include <vector>

namespace vinculor::cli {

namespace {

std::string csvField(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

// The name each field's value goes by in a record of the JSON listing: its
// own, and for a name the table repeats (a damaged table, or one from a tool
// that allows it), the name and its place, "NOMBRE (2)", which no field name
// can be, so that no value hides another.
std::vector<std::string> recordKeys(const std::vector<FieldInfo>& fields) {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::size_t seen = 1;
        for (std::size_t j = 0; j < i; ++j) {
            seen += fields[j].name == fields[i].name ? 1 : 0;
        }
        keys.push_back(seen == 1 ? fields[i].name : fields[i].name + " (" + std::to_string(seen) + ")");
    }
    return keys;
}

} // namespace

void printTable(const std::filesystem::path& file, TableFormat format, std::ostream& out) {
    if (text::upperAscii(files::toUtf8(file.extension())) != ".DBF") {
        throw Error("«" + files::toUtf8(file) + "» no es una tabla dBase (se espera un archivo .DBF).");
    }
    if (!files::isRegularFile(file)) {
        throw Error("No existe el archivo «" + files::toUtf8(file) + "».");
    }
    Table table = Table::inFile(file);
    table.open();
    const auto& fields = table.fields();

    if (format == TableFormat::Json) {
        out << "{\n  \"tabla\": " << json::quote(files::toUtf8(file.filename()))
            << ",\n  \"nivel\": " << table.level() << ",\n  \"campos\": [";
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out << (i == 0 ? "\n    " : ",\n    ") << "{\"nombre\": " << json::quote(fields[i].name)
                << ", \"tipo\": " << json::quote(std::string(1, letterOf(fields[i].type)))
                << ", \"ancho\": " << fields[i].width << ", \"decimales\": " << fields[i].decimals << "}";
        }
        const std::vector<std::string> keys = recordKeys(fields);
        out << "\n  ],\n  \"registros\": [";
        bool firstRecord = true;
        for (table.first(); !table.eof(); table.next()) {
            out << (firstRecord ? "\n    {" : ",\n    {");
            firstRecord = false;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                out << (i == 0 ? "" : ", ") << json::quote(keys[i]) << ": "
                    << json::quote(table.getText(Table::Field{i}));
            }
            out << "}";
        }
        out << "\n  ]\n}\n";
    } else if (format == TableFormat::Csv) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out << (i == 0 ? "" : ",") << csvField(fields[i].name);
        }
        out << "\r\n";
        for (table.first(); !table.eof(); table.next()) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                out << (i == 0 ? "" : ",") << csvField(table.getText(Table::Field{i}));
            }
            out << "\r\n";
        }
    } else {
        out << files::toUtf8(file.filename()) << ": nivel " << table.level() << ", " << fields.size()
            << " campos, " << table.recordCount() << " registros\n";
        for (const FieldInfo& field : fields) {
            out << "  " << field.name << " " << letterOf(field.type) << " " << field.width;
            if (field.decimals != 0) {
                out << "." << field.decimals;
            }
            out << "\n";
        }
        std::size_t number = 0;
        for (table.first(); !table.eof(); table.next()) {
            out << ++number << ":";
            for (std::size_t i = 0; i < fields.size(); ++i) {
                out << " " << fields[i].name << "=" << table.getText(Table::Field{i});
            }
            out << "\n";
        }
    }
    table.discard();
}

} // namespace vinculor::cli
