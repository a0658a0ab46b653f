#pragma once

#include <string>
#include <vector>

namespace vinculor {

// Which of the window's two sides a start shows.
enum class LaunchSide { Both, Export, Import };

// How the program was started, decided once from its parameters (the command
// line without the program's path); shared by every window of the program.
struct LaunchMode {
    int launchedWithParams = 0;         // 2 in command-line mode, else 0
    LaunchSide side = LaunchSide::Both; // the side that fills the window
    // In command-line mode with a known word, the run started as the window is shown.
    bool runsAtShow() const { return side != LaunchSide::Both; }
};

// The first parameter with A to Z lower-cased, when there are exactly two;
// empty otherwise.
std::string commandWord(const std::vector<std::string>& parameters);

LaunchMode launchModeFor(const std::vector<std::string>& parameters);

} // namespace vinculor
