#include "MainWindow.h"
#include "run/ProgramArguments.h"
#include "window/WindowController.h"

#include <filesystem>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The parameters as the timetabling program passed them, in UTF-8, without
// the program's own name.
std::vector<std::string> commandLineParameters() {
    std::vector<std::string> parameters = vinculor::programArguments(0, nullptr);
    if (!parameters.empty()) {
        parameters.erase(parameters.begin());
    }
    return parameters;
}

std::filesystem::path programDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return std::filesystem::path(path).parent_path();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::filesystem::path directory = programDirectory();
    vinculor::WindowController::Setup setup;
    setup.parameters = commandLineParameters();
    setup.settingsFile = directory / vinculor::kSettingsFileName;
    vinculor::WindowController controller(std::move(setup));
    vinculor::winapp::MainWindow window(instance, controller, directory);
    return window.exec();
}
