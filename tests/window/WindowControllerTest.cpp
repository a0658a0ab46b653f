#include "window/WindowController.h"

#include "base/Error.h"
#include "files/IniFile.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace vinculor {
namespace {

using testing::ScriptedUi;
using testing::TempDir;

std::optional<std::string> outcomeIn(const std::filesystem::path& settingsFile) {
    if (!std::filesystem::exists(settingsFile)) {
        return std::nullopt;
    }
    return ini::findValue(testing::readText(settingsFile), "Transformadores", "Transformado");
}

// A controller whose runs are recorded, and answer as told.
struct Harness {
    TempDir dir;
    std::vector<Direction> runs;
    std::function<RunOutcome(RunState&, RunUi&)> behaviour = [](RunState& state, RunUi& ui) {
        state.TransformStatus = 1;
        if (state.commandLineMode()) {
            ui.closeWindow();
        }
        return RunOutcome::Completed;
    };
    std::optional<std::string> outcomeDuringRun;

    WindowController make(std::vector<std::string> parameters) {
        WindowController::Setup setup;
        setup.parameters = std::move(parameters);
        setup.settingsFile = dir / "Horavia.ini";
        setup.exportRun = [this](RunState& state, RunUi& ui) { return record(Direction::Export, state, ui); };
        setup.importRun = [this](RunState& state, RunUi& ui) { return record(Direction::Import, state, ui); };
        return WindowController(std::move(setup));
    }

    RunOutcome record(Direction direction, RunState& state, RunUi& ui) {
        runs.push_back(direction);
        outcomeDuringRun = outcomeIn(dir / "Horavia.ini");
        return behaviour(state, ui);
    }
};

struct ModeCase {
    std::vector<std::string> parameters;
    bool commandLine;
    bool showsExport;
    bool showsImport;
    std::vector<Direction> runsAtFirstShow;
};

TEST(WindowControllerTest, ModeSidesAndFirstRunFollowTheCommandLine) {
    const std::vector<ModeCase> cases = {
        {{}, false, true, true, {}},
        {{"exportar"}, false, true, true, {}},
        {{"exportar", "x", "y"}, false, true, true, {}},
        {{"EXPORTAR", "x"}, true, true, false, {Direction::Export}},
        {{"Importar", ""}, true, false, true, {Direction::Import}},
        {{"importar ", "x"}, true, true, true, {}},
        {{"exportár", "x"}, true, true, true, {}},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.parameters.empty() ? std::string("(sin parámetros)") : c.parameters.front());
        Harness harness;
        WindowController controller = harness.make(c.parameters);
        EXPECT_EQ(controller.commandLineMode(), c.commandLine);
        EXPECT_EQ(controller.showsSide(Direction::Export), c.showsExport);
        EXPECT_EQ(controller.showsSide(Direction::Import), c.showsImport);
        ScriptedUi ui;
        controller.firstShown(ui);
        controller.firstShown(ui); // the window is shown once
        EXPECT_EQ(harness.runs, c.runsAtFirstShow);
    }
}

TEST(WindowControllerTest, CommandLineRunRecordsZeroFirstAndTheOutcomeOnClosing) {
    Harness harness;
    testing::writeText(harness.dir / "Horavia.ini",
                       "[Otra]\r\nClave=7\r\n[Transformadores]\r\nTransformado=1\r\n");
    WindowController controller = harness.make({"exportar", "x"});
    ScriptedUi ui;
    controller.firstShown(ui);
    // An earlier success never stands while a run is under way.
    EXPECT_EQ(harness.outcomeDuringRun, "0");
    EXPECT_EQ(ui.closes, 1);
    ASSERT_TRUE(controller.closing(ui));
    EXPECT_EQ(outcomeIn(harness.dir / "Horavia.ini"), "1");
    EXPECT_NE(testing::readText(harness.dir / "Horavia.ini").find("[Otra]\r\nClave=7\r\n"),
              std::string::npos);
}

TEST(WindowControllerTest, AnErrorIsShownAndLeavesTheOutcomeAtZero) {
    Harness harness;
    harness.behaviour = [](RunState& state, RunUi& ui) -> RunOutcome {
        ui.setHourglass(true);
        ui.progress("Materias (ASIGNOMT)", 2, 9);
        state.summary.recovered = {"Restos de ejecuciones interrumpidas borrados."};
        throw Error("No se puede crear la tabla «ASIGT».");
    };
    WindowController controller = harness.make({"importar", "x"});
    ScriptedUi ui;
    controller.firstShown(ui);
    ASSERT_EQ(ui.errors.size(), 1u);
    // Its own message, what recovery put right, then where and what to do.
    EXPECT_EQ(
        ui.errors.front().rfind("No se puede crear la tabla «ASIGT».\nRestos de ejecuciones interrumpidas "
                                "borrados.\nOcurrió en el paso «Materias (ASIGNOMT)». No se ha cambiado "
                                "ninguna tabla",
                                0),
        0u)
        << ui.errors.front();
    EXPECT_FALSE(ui.hourglass);
    EXPECT_EQ(ui.closes, 0);
    EXPECT_FALSE(controller.running());
    ASSERT_TRUE(controller.closing(ui));
    EXPECT_EQ(outcomeIn(harness.dir / "Horavia.ini"), "0");
}

// A change that could not be undone does not claim that nothing changed.
TEST(WindowControllerTest, AnErrorThatLeftTheDirectoryHalfChangedSaysSo) {
    Harness harness;
    harness.behaviour = [](RunState&, RunUi&) -> RunOutcome {
        throw Error(ErrorKind::KeptAside, "No se pudo sustituir PROFT. Los anteriores se guardan aparte.");
    };
    WindowController controller = harness.make({});
    ScriptedUi ui;
    controller.run(Direction::Export, ui);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors.front().find("\nEl directorio de Horavia quedó a medias: la próxima exportación o "
                                     "importación lo pondrá como estaba antes."),
              std::string::npos)
        << ui.errors.front();
    EXPECT_EQ(ui.errors.front().find("No se ha cambiado ninguna tabla"), std::string::npos)
        << ui.errors.front();
}

TEST(WindowControllerTest, InteractiveUseNeverWritesTheSettingsFile) {
    Harness harness;
    WindowController controller = harness.make({});
    ScriptedUi ui;
    controller.run(Direction::Export, ui);
    controller.run(Direction::Import, ui);
    EXPECT_EQ(harness.runs, (std::vector<Direction>{Direction::Export, Direction::Import}));
    EXPECT_TRUE(controller.closing(ui));
    EXPECT_FALSE(std::filesystem::exists(harness.dir / "Horavia.ini"));
}

TEST(WindowControllerTest, AnUnwritableSettingsFileKeepsTheWindowOpen) {
    Harness harness;
    WindowController::Setup setup;
    setup.parameters = {"exportar", "x"};
    setup.settingsFile = harness.dir / "no-existe" / "Horavia.ini";
    setup.exportRun = [](RunState&, RunUi&) { return RunOutcome::Completed; };
    WindowController controller(std::move(setup));
    ScriptedUi ui;
    controller.firstShown(ui);
    EXPECT_FALSE(controller.closing(ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors.front().rfind("Unable to write to ", 0), 0u) << ui.errors.front();
    EXPECT_NE(ui.errors.front().find("\nNo se ha podido anotar en Horavia.ini cómo terminó la conversión"),
              std::string::npos)
        << ui.errors.front();
}

TEST(WindowControllerTest, ARunStartedDuringARunIsIgnored) {
    Harness harness;
    WindowController* self = nullptr;
    int nested = 0;
    harness.behaviour = [&](RunState&, RunUi& ui) {
        if (nested++ == 0) {
            self->run(Direction::Import, ui);
        }
        return RunOutcome::Completed;
    };
    WindowController controller = harness.make({});
    self = &controller;
    ScriptedUi ui;
    controller.run(Direction::Export, ui);
    EXPECT_EQ(harness.runs, std::vector<Direction>{Direction::Export});
}

} // namespace
} // namespace vinculor
