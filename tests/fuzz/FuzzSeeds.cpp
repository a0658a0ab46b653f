// Writes the starting corpora of the fuzz targets from what the repository
// holds: fuzz_seeds OUT fills OUT/export, OUT/soluc and OUT/ini.
//   export: the example school, the seed files here, and every school
//           document written in the tests' sources;
//   soluc:  the reference dBase tables beside the project, and the Horavia
//           simulator's solution for the small school whose tables the
//           target looks codes up in;
//   ini:    the seed files here.
#include "FuzzSupport.h"
#include "SimuladorHoravia.h"
#include "base/ByteOrder.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"
#include "text/Ascii.h"

#include <cstdio>
#include <functional>

namespace vinculor::fuzzing {
namespace {

const fs::path kSource = VINCULOR_SOURCE_DIR;

int written = 0;

void seed(const fs::path& dir, const std::string& name, const std::string& bytes) {
    testing::writeText(dir / name, bytes);
    ++written;
}

void copyAll(const fs::path& from, const fs::path& to, const std::function<bool(const fs::path&)>& wanted,
             const std::string& prefix = {}) {
    std::error_code ec;
    if (!fs::is_directory(from, ec)) {
        return;
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        if (entry.is_regular_file() && wanted(entry.path())) {
            const std::string name = fs::relative(entry.path(), from).generic_string();
            std::string flat = prefix + name;
            for (char& c : flat) {
                c = c == '/' ? '_' : c;
            }
            seed(to, flat, testing::readText(entry.path()));
        }
    }
}

// The raw string literals R"(...)" of the tests that hold a school document.
void schoolsFromTestSources(const fs::path& to) {
    int n = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kSource / "tests")) {
        if (!entry.is_regular_file() || entry.path().extension() != ".cpp") {
            continue;
        }
        const std::string source = testing::readText(entry.path());
        for (std::size_t at = source.find("R\"("); at != std::string::npos; at = source.find("R\"(", at)) {
            const std::size_t end = source.find(")\"", at + 3);
            if (end == std::string::npos) {
                break;
            }
            const std::string literal = source.substr(at + 3, end - at - 3);
            if (literal.find("<Centro") != std::string::npos) {
                seed(to, "prueba-" + std::to_string(++n) + ".xml", literal);
            }
            at = end;
        }
    }
}

void solutions(const fs::path& to) {
    copyAll(
        fs::path(VINCULOR_REFERENCE_DIR) / "dbase", to,
        [](const fs::path& file) { return vinculor::text::upperAscii(file.extension().string()) == ".DBF"; },
        "referencia-");

    // The simulated solution whole, with its first record deleted, and with no records.
    testing::TempDir htemp;
    exportSchool(smallSchool(), htemp.path());
    simulador::simularHorario(htemp.path());
    const std::string soluc = testing::readText(htemp / "SOLUC.DBF");
    const std::size_t headerLength = vinculor::bytes::le16(soluc, 8);
    std::string deleted = soluc;
    deleted[headerLength] = '*';
    std::string empty = soluc.substr(0, headerLength) + "\x1A";
    empty.replace(4, 4, std::string(4, '\0'));
    seed(to, "pequeno-simulada.dbf", soluc);
    seed(to, "pequeno-simulada-borrado.dbf", deleted);
    seed(to, "pequeno-simulada-vacia.dbf", empty);
}

} // namespace
} // namespace vinculor::fuzzing

int main(int argc, char** argv) {
    using namespace vinculor::fuzzing;
    if (argc != 2) {
        std::fprintf(stderr, "Uso: fuzz_seeds DIRECTORIO\n");
        return 1;
    }
    const fs::path out = argv[1];
    for (const char* target : {"export", "soluc", "ini"}) {
        fs::create_directories(out / target);
    }
    const fs::path seeds = kSource / "tests" / "fuzz" / "seeds";
    const auto any = [](const fs::path&) { return true; };
    copyAll(
        exampleSchool().parent_path(), out / "export",
        [](const fs::path& file) { return file.extension() == ".xml"; }, "ejemplo-");
    copyAll(seeds / "export", out / "export", any);
    schoolsFromTestSources(out / "export");
    solutions(out / "soluc");
    copyAll(seeds / "ini", out / "ini", any);
    std::printf("fuzz_seeds: %d semillas en %s\n", written, out.string().c_str());
    return 0;
}
