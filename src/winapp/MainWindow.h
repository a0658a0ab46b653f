#pragma once

#include "run/RunUi.h"
#include "window/WindowController.h"

#include <filesystem>
#include <optional>
#include <string>
#include <windows.h>

namespace vinculor::winapp {

// The program's one window drawn with the Windows API: "Exportar" on the
// left, "Importar" on the right, help and "Salir" below. What it does is the
// controller's; this class draws it and is the runs' user interface (file
// dialog, message boxes, the report, the hourglass).
class MainWindow : public RunUi {
public:
    MainWindow(HINSTANCE instance, WindowController& controller, std::filesystem::path programDirectory);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window (after the run the command line asks for) and handles
    // its messages until it closes.
    int exec();

    // RunUi
    std::optional<std::string> chooseXmlFile() override;
    void showMessage(const std::string& text, const std::string& details = {}) override;
    void showError(const std::string& text) override;
    void setHourglass(bool on) override;
    void closeWindow() override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void createControls();
    void startRun(Direction direction);
    void requestClose();
    void showHelp(bool contents);
    bool translateKey(MSG& message);

    HINSTANCE instance_;
    WindowController& controller_;
    std::filesystem::path programDirectory_;
    HWND window_ = nullptr;
    HFONT windowFont_ = nullptr;
    HFONT captionFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    bool hourglass_ = false;
    bool closeRequested_ = false;
    std::string lastDetails_;
};

} // namespace vinculor::winapp
