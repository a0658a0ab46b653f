#include "window/WindowController.h"

#include "export/ExportRun.h"
#include "files/IniFile.h"
#include "import/ImportRun.h"
#include "run/HoraviaDirectory.h"
#include "run/RunMessages.h"
#include "text/Ascii.h"
#include "window/StepRecordingUi.h"

#include <exception>
#include <new>

namespace vinculor {

namespace {

constexpr std::size_t kCommandLineParameters = 2;
constexpr char kSettingsSection[] = "Transformadores";
constexpr char kSettingsKey[] = "Transformado";
// Said after the settings file's own message, which is not in Spanish.
constexpr char kOutcomeNotRecorded[] =
    "No se ha podido anotar en Horavia.ini cómo terminó la conversión, y Horavia lo lee de ahí: la ventana "
    "no se cerrará hasta que se pueda. Compruebe que ese archivo no es de solo lectura, que ningún otro "
    "programa lo tiene abierto y que se puede escribir en la carpeta del programa; después vuelva a cerrar "
    "la ventana.";

// Clears a flag however the scope ends.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

WindowController::WindowController(Setup setup)
    : parameters_(std::move(setup.parameters)), settingsFile_(std::move(setup.settingsFile)),
      exportRun_(setup.exportRun ? std::move(setup.exportRun) : RunFunction(&exporting::runExport)),
      importRun_(setup.importRun ? std::move(setup.importRun) : RunFunction(&importing::runImport)) {
    state_.horaviaDir = horaviaDirectory();
    state_.tables.bindAll(state_.horaviaDir);
    state_.TransformStatus = 0;
    if (parameters_.size() == kCommandLineParameters) {
        state_.LaunchedWithParams = static_cast<int>(kCommandLineParameters);
    }
}

std::string WindowController::commandWord() const {
    if (parameters_.size() != kCommandLineParameters) {
        return {};
    }
    return text::lowerAscii(parameters_.front());
}

std::optional<Direction> WindowController::soleDirection() const {
    const std::string word = commandWord();
    if (word == "importar") {
        return Direction::Import;
    }
    if (word == "exportar") {
        return Direction::Export;
    }
    return std::nullopt;
}

bool WindowController::showsSide(Direction direction) const {
    const std::optional<Direction> sole = soleDirection();
    return !sole || *sole == direction;
}

void WindowController::firstShown(RunUi& ui) {
    if (shown_) {
        return;
    }
    shown_ = true;
    // The parameters are counted again here, as the timetabling program expects.
    if (const std::optional<Direction> direction = soleDirection()) {
        run(*direction, ui);
    }
}

void WindowController::run(Direction direction, RunUi& ui) {
    if (running_) {
        return;
    }
    FlagGuard guard(running_);
    StepRecordingUi recording(ui);
    // The error's own message, what the run put right before it, then where
    // it stopped and what to do.
    const auto stopped = [&](const std::string& message, ErrorKind kind) {
        ui.setHourglass(false);
        std::string text = message + "\n";
        for (const std::string& line : state_.summary.recovered) {
            text += line + "\n";
        }
        ui.showError(text + errorDetails(recording.lastStep(), kind));
    };
    try {
        if (commandLineMode()) {
            recordOutcomeBeforeRun();
        }
        const RunFunction& run = direction == Direction::Export ? exportRun_ : importRun_;
        run(state_, recording);
    } catch (const Error& e) {
        stopped(e.what(), e.kind());
    } catch (const std::bad_alloc&) {
        stopped("No hay memoria suficiente para terminar la operación.", ErrorKind::Other);
    } catch (const std::exception& e) {
        stopped(e.what(), ErrorKind::Other);
    }
}

void WindowController::recordOutcomeBeforeRun() {
    // Best effort: when the file cannot be written, closing says so.
    try {
        ini::writeValue(settingsFile_, kSettingsSection, kSettingsKey, "0");
    } catch (const std::exception&) {
    }
}

bool WindowController::closing(RunUi& ui) {
    if (!commandLineMode()) {
        return true;
    }
    try {
        ini::writeValue(settingsFile_, kSettingsSection, kSettingsKey,
                        std::to_string(state_.TransformStatus));
        return true;
    } catch (const std::exception& e) {
        ui.showError(std::string(e.what()) + "\n" + kOutcomeNotRecorded);
        return false;
    }
}

} // namespace vinculor
