#pragma once

#include "run/RunState.h"
#include "run/RunUi.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vinculor {

// One direction's run, as exporting::runExport and importing::runImport.
using RunFunction = std::function<RunOutcome(RunState&, RunUi&)>;

enum class Direction { Export, Import };

// The help file, named without a directory: it is looked for beside the program.
inline constexpr char kHelpFileName[] = "EKADE.chm";
// The help context number of the window and of every panel and button on it.
inline constexpr int kMainHelpContext = 3;

inline constexpr char kWindowCaption[] = "Exportar e importar datos entre Horavia y Pincel-eKade";
inline constexpr char kExportCaption[] = "Transformar datos desde Pincel-eKade hacia Horavia ";
inline constexpr char kImportCaption[] = "Transformar datos desde Horavia hacia Pincel-eKade";
inline constexpr char kVersionCaption[] = "Vinculor para ZQ7 V-1.0";
inline constexpr char kSettingsFileName[] = "Horavia.ini";

// What the window does, whatever draws it: the run mode taken from the command
// line, which sides show, the run started as the window first shows, and the
// outcome recorded in Horavia.ini on closing. The Qt window and the Windows
// window drive the same controller and differ only in drawing and dialogs.
class WindowController {
public:
    struct Setup {
        std::vector<std::string> parameters; // the command line without the program's path, UTF-8
        std::filesystem::path settingsFile;  // Horavia.ini beside the executable
        RunFunction exportRun;               // exporting::runExport when empty
        RunFunction importRun;               // importing::runImport when empty
    };

    explicit WindowController(Setup setup);

    // Started by the timetabling program: exactly two parameters.
    bool commandLineMode() const { return state_.commandLineMode(); }
    // The direction whose side fills the window, when the first parameter names one.
    std::optional<Direction> soleDirection() const;
    bool showsSide(Direction direction) const;

    // Called once, when the window is first shown: starts the run the command
    // line asks for, if any.
    void firstShown(RunUi& ui);
    // Runs one direction; one at a time. In command-line mode "Transformado=0"
    // is recorded first, so that a run that never ends (a crash, a power cut)
    // leaves no earlier success behind. An error ends the run and is shown.
    void run(Direction direction, RunUi& ui);
    bool running() const { return running_; }

    // Called when the window is asked to close. In command-line mode records
    // the outcome; false when it could not be recorded (the error was shown and
    // the window stays open).
    bool closing(RunUi& ui);

    const RunState& state() const { return state_; }
    RunState& state() { return state_; }
    const std::filesystem::path& settingsFile() const { return settingsFile_; }

private:
    // The first parameter with A to Z lower-cased, when there are exactly two.
    std::string commandWord() const;
    void recordOutcomeBeforeRun();

    std::vector<std::string> parameters_;
    std::filesystem::path settingsFile_;
    RunFunction exportRun_;
    RunFunction importRun_;
    RunState state_;
    bool running_ = false;
    bool shown_ = false;
};

} // namespace vinculor
