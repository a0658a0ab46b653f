#include "MainWindow.h"
#include "run/ProgramArguments.h"
#include "window/WindowController.h"

#include <filesystem>
#include <objbase.h>
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
    // The file dialog's shell extensions and opening the timetable in the
    // browser expect the window's thread to be a COM apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::filesystem::path directory = programDirectory();
    vinculor::WindowController::Setup setup;
    setup.parameters = commandLineParameters();
    setup.settingsFile = directory / vinculor::kSettingsFileName;
    vinculor::WindowController controller(std::move(setup));
    int status = 0;
    {
        vinculor::winapp::MainWindow window(instance, controller, directory);
        status = window.exec();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return status;
}
