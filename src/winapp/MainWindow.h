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
    void showReport(const std::string& text, const RunSummary& summary) override;
    void progress(const std::string& step, std::size_t done, std::size_t total) override;
    void setHourglass(bool on) override;
    void closeWindow() override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void createControls();
    void startRun(Direction direction);
    void requestClose();
    void showHelp(bool contents);
    // Paints what needs painting while a run works, and drops the user's
    // clicks and keys meanwhile.
    void keepPainted();
    void hideProgress();
    bool translateKey(MSG& message);
    // The window that owns a run's dialogs: none while this one is hidden (in
    // command-line mode, before it appears), so that they have a taskbar
    // button and are not lost behind the timetabling program.
    HWND dialogOwner() const;
    // Keys and clicks given while a run worked are not the answer to the
    // dialog that comes next.
    void dropQueuedInput() const;

    HINSTANCE instance_;
    WindowController& controller_;
    std::filesystem::path programDirectory_;
    HWND window_ = nullptr;
    HFONT windowFont_ = nullptr;
    HFONT captionFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    bool hourglass_ = false;
    bool closeRequested_ = false;
    HWND exportPanel_ = nullptr;
    HWND importPanel_ = nullptr;
    HWND progressBar_ = nullptr;
    HWND firstButton_ = nullptr; // focused when the window first shows
    HWND exportButton_ = nullptr;
    HWND importButton_ = nullptr;
    HWND focusWhenInactive_ = nullptr; // given back when the window is active again
    bool helpShown_ = false;
    Direction running_ = Direction::Export;
    unsigned long long runStarted_ = 0;
    bool progressEnded_ = true; // the run's hourglass is gone: no bar until the next run
};

} // namespace vinculor::winapp
