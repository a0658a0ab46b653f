#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Runs the TDbf programs compiled from the .pas files beside this header.
namespace vinculor::interop {

namespace fs = std::filesystem;

inline std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Runs a program of the Pascal folder; its standard output, or an exception
// with the exit status and that output when it fails.
inline std::string runPascal(const std::string& program, const std::vector<std::string>& args) {
    std::string command = quoted((fs::path(VINCULOR_PASCAL_DIR) / program).string());
    for (const std::string& a : args) {
        command += " " + quoted(a);
    }
    command += " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::string output;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    if (status != 0) {
        throw std::runtime_error(command + " failed (" + std::to_string(status) + "):\n" + output);
    }
    return output;
}

struct DumpField {
    std::string name;
    char type = '?';
    int width = 0;
    int decimals = 0;
};

struct DumpRecord {
    int recno = 0;
    std::vector<std::pair<std::string, std::optional<std::string>>> values; // nullopt: TDbf says null

    std::optional<std::string> operator[](const std::string& field) const {
        for (const auto& [name, value] : values) {
            if (name == field) {
                return value;
            }
        }
        throw std::runtime_error("no field " + field + " in the dump");
    }
};

// What TDbf read in a table (see dbfdump.pas for the format).
struct Dump {
    int level = 0;
    std::vector<DumpField> fields;
    std::vector<DumpRecord> records;
    std::vector<std::pair<long long, int>> seeks; // value searched for, record found (0: none)

    static Dump parse(const std::string& text) {
        Dump d;
        std::istringstream in(text);
        std::string line;
        bool ended = false;
        while (std::getline(in, line)) {
            if (line.rfind("LEVEL ", 0) == 0) {
                d.level = std::stoi(line.substr(6));
            } else if (line.rfind("FIELD ", 0) == 0) {
                std::istringstream f(line.substr(6));
                DumpField field;
                std::string type;
                f >> field.name >> type >> field.width >> field.decimals;
                field.type = type.empty() ? '?' : type[0];
                d.fields.push_back(field);
            } else if (line.rfind("REC ", 0) == 0) {
                d.records.push_back(DumpRecord{std::stoi(line.substr(4)), {}});
            } else if (line.rfind("SEEK ", 0) == 0) {
                std::istringstream f(line.substr(5));
                long long value = 0;
                int recno = 0;
                f >> value >> recno;
                d.seeks.emplace_back(value, recno);
            } else if (line == "END") {
                ended = true;
            } else if (!d.records.empty()) {
                const std::size_t eq = line.find('=');
                const std::size_t colon = line.find(':');
                if (eq != std::string::npos && (colon == std::string::npos || eq < colon)) {
                    d.records.back().values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
                } else if (colon != std::string::npos && line.substr(colon) == ":null") {
                    d.records.back().values.emplace_back(line.substr(0, colon), std::nullopt);
                } else {
                    throw std::runtime_error("unexpected dump line: " + line);
                }
            } else {
                throw std::runtime_error("unexpected dump line: " + line);
            }
        }
        if (!ended) {
            throw std::runtime_error("the dump did not finish:\n" + text);
        }
        return d;
    }
};

// TDbf's reading of `file` in `directory`, walked by `tag` when one is given,
// and searched by key for every value when `seek` is set.
inline Dump dumpWithTDbf(const fs::path& directory, const std::string& file, const std::string& tag = "",
                         bool seek = false) {
    std::vector<std::string> args = {directory.string(), file};
    if (!tag.empty()) {
        args.push_back(tag);
    }
    if (seek) {
        args.push_back("seek");
    }
    return Dump::parse(runPascal("dbfdump", args));
}

} // namespace vinculor::interop
