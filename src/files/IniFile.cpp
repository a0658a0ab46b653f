#include "files/IniFile.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "text/Ascii.h"
#include "text/Text.h"

#include <cstddef>
#include <vector>

namespace vinculor::ini {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return text::equalsIgnoreAsciiCase(trimBlanks(a), trimBlanks(b));
}

struct Line {
    std::size_t begin = 0;   // first byte
    std::size_t textEnd = 0; // before the line ending
    std::size_t end = 0;     // after the line ending
    bool hasLineEnding() const { return end > textEnd; }
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        Line line;
        line.begin = pos;
        const std::size_t newline = content.find('\n', pos);
        if (newline == std::string_view::npos) {
            line.textEnd = line.end = content.size();
        } else {
            line.end = newline + 1;
            line.textEnd = (newline > pos && content[newline - 1] == '\r') ? newline - 1 : newline;
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

std::string_view lineEnding(std::string_view content) {
    const std::size_t newline = content.find('\n');
    if (newline == std::string_view::npos || (newline > 0 && content[newline - 1] == '\r')) {
        return "\r\n";
    }
    return "\n";
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;      // section or key name
    std::size_t valueBegin = 0; // keys: offset in the file of the value's first non-blank byte
};

ParsedLine parseLine(std::string_view content, const Line& line) {
    ParsedLine parsed;
    std::size_t pos = line.begin;
    if (pos == 0 && content.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        pos = kUtf8Bom.size();
    }
    while (pos < line.textEnd && isBlank(content[pos])) {
        ++pos;
    }
    if (pos >= line.textEnd) {
        return parsed;
    }
    const std::string_view text = content.substr(pos, line.textEnd - pos);
    if (text.front() == ';' || text.front() == '#') {
        return parsed;
    }
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::Section;
            parsed.name = trimBlanks(text.substr(1, close - 1));
        }
        return parsed;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || trimBlanks(text.substr(0, equals)).empty()) {
        return parsed;
    }
    parsed.kind = LineKind::Key;
    parsed.name = trimBlanks(text.substr(0, equals));
    std::size_t value = pos + equals + 1;
    while (value < line.textEnd && isBlank(content[value])) {
        ++value;
    }
    parsed.valueBegin = value;
    return parsed;
}

// Where the section and the key are, as line indices.
struct Location {
    std::optional<std::size_t> sectionLine;
    std::optional<std::size_t> lastKeyLine; // of the section
    std::optional<std::size_t> keyLine;
    std::size_t valueBegin = 0;
};

Location locate(std::string_view content, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location where;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parseLine(content, lines[i]);
        if (parsed.kind == LineKind::Section) {
            if (where.sectionLine) {
                break; // only the first section of that name counts
            }
            inSection = sameName(parsed.name, section);
            if (inSection) {
                where.sectionLine = i;
            }
        } else if (parsed.kind == LineKind::Key && inSection) {
            where.lastKeyLine = i;
            if (sameName(parsed.name, key)) {
                where.keyLine = i;
                where.valueBegin = parsed.valueBegin;
                return where;
            }
        }
    }
    return where;
}

} // namespace

std::string setValue(std::string_view content, std::string_view section, std::string_view key,
                     std::string_view value) {
    const std::vector<Line> lines = splitLines(content);
    const Location where = locate(content, lines, section, key);
    const std::string_view eol = lineEnding(content);
    std::string result;
    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    if (where.keyLine) {
        const Line& line = lines[*where.keyLine];
        result.append(content.substr(0, where.valueBegin));
        result.append(value);
        result.append(content.substr(line.textEnd));
        return result;
    }

    const std::string keyLine = std::string(key) + "=" + std::string(value);
    if (where.sectionLine) {
        const Line& after = lines[where.lastKeyLine.value_or(*where.sectionLine)];
        if (after.hasLineEnding()) {
            result.append(content.substr(0, after.end));
            result.append(keyLine);
            result.append(eol);
            result.append(content.substr(after.end));
        } else {
            // The last line of a file without a final newline: the file keeps ending without one.
            result.append(content);
            result.append(eol);
            result.append(keyLine);
        }
        return result;
    }

    result.append(content);
    const bool endsOpen = !content.empty() && content.back() != '\n';
    if (endsOpen) {
        result.append(eol);
    }
    result.append("[");
    result.append(section);
    result.append("]");
    result.append(eol);
    result.append(keyLine);
    if (!endsOpen) {
        result.append(eol);
    }
    return result;
}

std::optional<std::string> findValue(std::string_view content, std::string_view section,
                                     std::string_view key) {
    const std::vector<Line> lines = splitLines(content);
    const Location where = locate(content, lines, section, key);
    if (!where.keyLine) {
        return std::nullopt;
    }
    const Line& line = lines[*where.keyLine];
    std::string_view value = content.substr(where.valueBegin, line.textEnd - where.valueBegin);
    // A carriage return that ends the value is a line ending, as the timetabling
    // program reads it: a file may end in a CR alone, and an edit that adds a
    // line after it makes that CR part of a CR LF.
    while (!value.empty() && (isBlank(value.back()) || value.back() == '\r')) {
        value.remove_suffix(1);
    }
    return std::string(trimBlanks(value));
}

std::string setValueInFile(std::string_view bytes, std::string_view section, std::string_view key,
                           std::string_view value) {
    // A file saved as UTF-16 (Windows writes its settings files so when they
    // start with a byte order mark) is edited as text and saved as it was.
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    const bool bigEndian = bytes.starts_with("\xFE\xFF");
    if (!littleEndian && !bigEndian) {
        return setValue(bytes, section, key, value);
    }
    const std::string decoded = text::utf16ToUtf8(bytes.substr(2), bigEndian);
    return text::utf8ToUtf16(setValue(decoded, section, key, value), bigEndian, true);
}

void writeValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view value) {
    const auto unableToWrite = [&file] { return Error("Unable to write to " + files::toUtf8(file)); };
    std::string existing;
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status)) {
            throw unableToWrite();
        }
        try {
            existing = files::readFile(file);
        } catch (const Error&) {
            throw unableToWrite();
        }
    }
    const std::string edited = setValueInFile(existing, section, key, value);
    // What a write killed half-way left beside the file goes first.
    files::removeStaleTemporaries(file);
    try {
        files::writeFileAtomic(file, edited);
    } catch (const Error&) {
        throw unableToWrite();
    }
}

} // namespace vinculor::ini
