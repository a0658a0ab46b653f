#include "run/LaunchMode.h"

namespace vinculor {

namespace {

constexpr std::size_t kCommandLineParameters = 2;

} // namespace

std::string commandWord(const std::vector<std::string>& parameters) {
    if (parameters.size() != kCommandLineParameters) {
        return {};
    }
    std::string word = parameters.front();
    for (char& c : word) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return word;
}

LaunchMode launchModeFor(const std::vector<std::string>& parameters) {
    LaunchMode mode;
    if (parameters.size() != kCommandLineParameters) {
        return mode;
    }
    mode.launchedWithParams = static_cast<int>(kCommandLineParameters);
    const std::string word = commandWord(parameters);
    if (word == "importar") {
        mode.side = LaunchSide::Import;
    } else if (word == "exportar") {
        mode.side = LaunchSide::Export;
    }
    return mode;
}

} // namespace vinculor
