#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Settings files of the "[Section]" / "key=value" kind, as the timetabling
// program reads its Horavia.ini. Section and key names are matched without
// regard to letter case (ASCII) and with the blanks around them ignored; the
// first matching section and, inside it, the first matching key count. Lines
// starting with ';' or '#' are comments.
namespace vinculor::ini {

// The file's bytes with `key` of `section` set to `value`. An existing value
// is replaced in place; a missing key is added after the section's last
// key, a missing section at the end of the file. Every other byte stays as it
// was: other sections and keys, comments, blank lines, line endings and a
// missing final newline. New lines take the file's own line ending (that of
// its first line; CR LF for a file without one).
std::string setValue(std::string_view content, std::string_view section, std::string_view key,
                     std::string_view value);

// The value of `key` in `section`, without the blanks around it; none when the
// file has no such key.
std::optional<std::string> findValue(std::string_view content, std::string_view section,
                                     std::string_view key);

// setValue on a file's bytes in the file's own encoding: UTF-16 (LE or BE)
// where the file starts with its byte order mark, the bytes as they are
// otherwise.
std::string setValueInFile(std::string_view bytes, std::string_view section, std::string_view key,
                           std::string_view value);

// Sets the key in the file (setValueInFile), creating the file when it is missing. The new
// file replaces the old one whole (written beside it, then renamed over it).
// Any failure throws vinculor::Error "Unable to write to <path>".
void writeValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view value);

} // namespace vinculor::ini
