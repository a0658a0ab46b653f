#include "MainWindow.h"
#include "WideText.h"
#include "window/WindowController.h"

#include <filesystem>
#include <shellapi.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The parameters as the timetabling program passed them, in UTF-8.
std::vector<std::string> commandLineParameters() {
    std::vector<std::string> parameters;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        parameters.push_back(vinculor::winapp::narrow(arguments[i]));
    }
    LocalFree(arguments);
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
