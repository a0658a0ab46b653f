#include "FuzzSupport.h"

#include "export/ExportRun.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace vinculor::fuzzing {

namespace {

fs::path makeScratch() {
    std::error_code ec;
    const fs::path shm = "/dev/shm";
    const fs::path base = fs::is_directory(shm, ec) ? shm : fs::temp_directory_path();
    const fs::path dir = base / ("vinculor-fuzz-" + std::to_string(::getpid()));
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(scratchDirectory(), ignored);
    });
    return dir;
}

} // namespace

const fs::path& scratchDirectory() {
    static const fs::path dir = makeScratch();
    return dir;
}

void check(bool ok, std::string_view what) {
    if (!ok) {
        std::fprintf(stderr, "\n*** Invariante rota: %.*s\n", static_cast<int>(what.size()), what.data());
        std::abort();
    }
}

std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

void resetDirectory(const fs::path& dir, const std::map<std::string, std::string>& files) {
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        fs::remove_all(entry.path());
    }
    for (const auto& [name, bytes] : files) {
        testing::writeText(dir / name, bytes);
    }
}

fs::path exampleSchool() {
    return fs::path(VINCULOR_SOURCE_DIR) / "examples" / "centro-ejemplo.xml";
}

fs::path smallSchool() {
    return fs::path(VINCULOR_SOURCE_DIR) / "tests" / "fuzz" / "seeds" / "export" / "centro-pequeno.xml";
}

void exportSchool(const fs::path& school, const fs::path& htemp) {
    RunState state;
    state.horaviaDir = htemp;
    state.tables.bindAll(htemp);
    testing::ScriptedUi ui;
    ui.dialogAnswers = {school.string()};
    check(exporting::runExport(state, ui) == RunOutcome::Completed, "la exportación del ejemplo no termina");
}

} // namespace vinculor::fuzzing
