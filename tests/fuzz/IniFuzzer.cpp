// The settings-file edit on any file content. Properties checked on every
// input: the key reads back with the value set; setting it again changes
// nothing; other keys read as before; no line but the key's is lost; and
// writing through a file gives the same bytes as the edit in memory.
#include "FuzzSupport.h"
#include "base/Error.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "support/TempDir.h"
#include "text/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace vinculor::fuzzing {
namespace {

// Spellings of the section the program writes, as the timetabling program may have left it.
constexpr const char* kSections[] = {"Transformadores", "TRANSFORMADORES", " transformadores ",
                                     "Otra Seccion"};
constexpr const char* kValues[] = {"1", "0", "-1"};

// Bytes of `before` that `after` does not keep: what lies between their
// common beginning and their common end.
std::string_view removedPart(std::string_view before, std::string_view after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    return before.substr(prefix, before.size() - prefix - suffix);
}

} // namespace
} // namespace vinculor::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vinculor;
    using namespace vinculor::fuzzing;
    FuzzedDataProvider input(data, size);
    const std::string section = kSections[input.ConsumeIntegralInRange<std::size_t>(0, 3)];
    const std::string value = kValues[input.ConsumeIntegralInRange<std::size_t>(0, 2)];
    // Through a real file one time in sixteen: the file operations are slow beside the edit.
    const bool throughFile = input.ConsumeIntegralInRange<int>(0, 15) == 0;
    const std::string content = input.ConsumeRemainingBytesAsString();
    const std::string key = "Transformado";

    const std::string edited = ini::setValue(content, section, key, value);
    // A file that starts as UTF-16 is edited as its text, and is UTF-16 again.
    for (const bool bigEndian : {false, true}) {
        if (content.starts_with(bigEndian ? "\xFE\xFF" : "\xFF\xFE")) {
            const std::string inFile = ini::setValueInFile(content, section, key, value);
            check(inFile.starts_with(bigEndian ? "\xFE\xFF" : "\xFF\xFE"), "la marca de orden se ha perdido");
            check(ini::findValue(text::utf16ToUtf8(std::string_view(inFile).substr(2), bigEndian), section,
                                 key) == value,
                  "la clave no se lee con el valor escrito en UTF-16");
        }
    }
    check(ini::findValue(edited, section, key) == value, "la clave no se lee con el valor escrito");
    check(ini::setValue(edited, section, key, value) == edited,
          "escribir dos veces el mismo valor cambia el archivo");
    check(removedPart(content, edited).find('\n') == std::string_view::npos,
          "la edición ha quitado algo más que el valor de una línea");
    for (const auto& [otherSection, otherKey] : {std::pair<const char*, const char*>{"Horavia", "Ruta"},
                                                 {section.c_str(), "Otra"},
                                                 {section.c_str(), "Transformado2"}}) {
        check(ini::findValue(content, otherSection, otherKey) ==
                  ini::findValue(edited, otherSection, otherKey),
              std::string("la edición ha cambiado la clave ") + otherKey + " de " + otherSection);
    }

    if (throughFile) {
        static const fs::path file = scratchDirectory() / "Horavia.ini";
        testing::writeText(file, content);
        ini::writeValue(file, section, key, value);
        check(files::readFile(file) == ini::setValueInFile(content, section, key, value),
              "el archivo escrito no es la edición en memoria");
    }
    return 0;
}
