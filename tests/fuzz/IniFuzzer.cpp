// The settings-file edit on any file content. Properties checked on every
// input: the key reads back with the value set; setting it again changes
// nothing; other keys read as before; no line but the key's is lost; and
// writing through a file gives the same bytes as the edit in memory. A
// UTF-16 file is checked the same way on its text.
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

    // What every edit keeps, on the file's text.
    const auto checkEdit = [&](const std::string& before, const std::string& after, const char* encoding) {
        const std::string in = std::string(" (") + encoding + ")";
        check(ini::findValue(after, section, key) == value, "la clave no se lee con el valor escrito" + in);
        check(ini::setValue(after, section, key, value) == after,
              "escribir dos veces el mismo valor cambia el archivo" + in);
        check(removedPart(before, after).find('\n') == std::string_view::npos,
              "la edición ha quitado algo más que el valor de una línea" + in);
        for (const auto& [otherSection, otherKey] : {std::pair<const char*, const char*>{"Horavia", "Ruta"},
                                                     {section.c_str(), "Otra"},
                                                     {section.c_str(), "Transformado2"}}) {
            check(ini::findValue(before, otherSection, otherKey) ==
                      ini::findValue(after, otherSection, otherKey),
                  std::string("la edición ha cambiado la clave ") + otherKey + " de " + otherSection + in);
        }
    };
    checkEdit(content, ini::setValue(content, section, key, value), "bytes");
    // A file that starts as UTF-16 is edited as its text, and is UTF-16 again.
    for (const bool bigEndian : {false, true}) {
        const char* mark = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        if (content.starts_with(mark)) {
            const std::string inFile = ini::setValueInFile(content, section, key, value);
            check(inFile.starts_with(mark), "la marca de orden se ha perdido");
            checkEdit(text::utf16ToUtf8(std::string_view(content).substr(2), bigEndian),
                      text::utf16ToUtf8(std::string_view(inFile).substr(2), bigEndian), "UTF-16");
        }
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
