#include "MainWindow.h"

#include "GradientPanel.h"
#include "ReportWindow.h"
#include "text/WideText.h"
#include "window/HelpTopics.h"

#include <commctrl.h>
#include <commdlg.h>
#include <htmlhelp.h>
#include <shlobj.h>
#include <vector>

namespace vinculor::winapp {

using text::narrow;
using text::widen;

namespace {

constexpr wchar_t kClassName[] = L"VinculorMainWindow";
constexpr int kClientWidth = 632;
constexpr int kClientHeight = 266;
// A run shows its progress only once it has lasted this long.
constexpr unsigned long long kProgressDelayMs = 500;

// Where the folder of the last chosen file is remembered, for the user alone.
constexpr wchar_t kSettingsKey[] = L"Software\\Vinculor";
constexpr wchar_t kLastFolderValue[] = L"UltimaCarpeta";

enum ControlId : int {
    kExportButton = 1001,
    kImportButton,
    kHelpButton,
    kCloseButton,
};

constexpr GradientPanel::Colours kSideColours{RGB(0xF9, 0xD3, 0x7D), RGB(0xFF, 0xFF, 0xFF),
                                              RGB(0xFF, 0xEE, 0xDD)};
constexpr GradientPanel::Colours kStripColours{RGB(0xC2, 0xCD, 0xFE), RGB(0xCF, 0xF2, 0xFE),
                                               RGB(0xCC, 0xD8, 0xE6)};

HFONT makeFont(const wchar_t* face, int pixelHeight, bool bold) {
    LOGFONTW font{};
    font.lfHeight = -pixelHeight;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

HWND addChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& bounds,
              int id, HFONT font) {
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                                 bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

RECT bounds(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

std::wstring readLastFolder() {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof(folder);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kLastFolderValue, RRF_RT_REG_SZ, nullptr, folder,
                     &size) == ERROR_SUCCESS) {
        return folder;
    }
    return {};
}

void rememberFolder(const std::wstring& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, kLastFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring documentsFolder() {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path))) {
        folder = path;
    }
    CoTaskMemFree(path);
    return folder;
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, WindowController& controller,
                       std::filesystem::path programDirectory)
    : instance_(instance), controller_(controller), programDirectory_(std::move(programDirectory)) {
    windowFont_ = makeFont(L"MS Sans Serif", 11, false);
    captionFont_ = makeFont(L"Arial", 16, true);
    boldFont_ = makeFont(L"MS Sans Serif", 11, true);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindow::windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(instance_, L"VINCULOR");
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    // A fixed dialog-like window: no resizing, no minimise or maximise box.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
    RECT frame = bounds(0, 0, kClientWidth, kClientHeight);
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + ((work.right - work.left) - width) / 2;
    const int top = work.top + ((work.bottom - work.top) - height) / 2;
    window_ = CreateWindowExW(exStyle, kClassName, widen(kWindowCaption).c_str(), style, left, top, width,
                              height, nullptr, nullptr, instance_, this);
    createControls();
}

MainWindow::~MainWindow() {
    if (window_ != nullptr && IsWindow(window_)) {
        DestroyWindow(window_);
    }
    DeleteObject(windowFont_);
    DeleteObject(captionFont_);
    DeleteObject(boldFont_);
}

void MainWindow::createControls() {
    // The "Exportar" side, the "Importar" side and the bottom strip. In
    // command-line mode the chosen side fills the window, in front of the strip.
    const std::optional<Direction> sole = controller_.soleDirection();
    const RECT whole = bounds(0, 0, kClientWidth, kClientHeight);

    if (controller_.showsSide(Direction::Export)) {
        HWND panel =
            GradientPanel::create(window_, L"Draw3D2", sole ? whole : bounds(0, 0, 315, 169), kSideColours);
        exportPanel_ = panel;
        addChild(panel, L"STATIC", widen(kExportCaption).c_str(), SS_LEFT, bounds(24, 24, 265, 57), -1,
                 captionFont_);
        exportButton_ = addChild(panel, L"BUTTON", L"OK", BS_PUSHBUTTON | WS_TABSTOP, bounds(96, 120, 89, 25),
                                 kExportButton, windowFont_);
        firstButton_ = exportButton_;
    }
    if (controller_.showsSide(Direction::Import)) {
        HWND panel =
            GradientPanel::create(window_, L"Draw3D3", sole ? whole : bounds(316, 0, 317, 169), kSideColours);
        importPanel_ = panel;
        addChild(panel, L"STATIC", widen(kImportCaption).c_str(), SS_LEFT, bounds(8, 24, 305, 57), -1,
                 captionFont_);
        importButton_ = addChild(panel, L"BUTTON", L"OK", BS_PUSHBUTTON | WS_TABSTOP, bounds(96, 120, 89, 25),
                                 kImportButton, windowFont_);
        if (firstButton_ == nullptr) {
            firstButton_ = importButton_;
        }
    }
    if (!sole) {
        HWND strip = GradientPanel::create(window_, L"Draw3D1", bounds(0, 168, 633, 97), kStripColours);
        addChild(strip, L"BUTTON", L"F1 Ayuda", BS_PUSHBUTTON | WS_TABSTOP, bounds(48, 40, 75, 25),
                 kHelpButton, windowFont_);
        addChild(strip, L"BUTTON", L"&Salir", BS_PUSHBUTTON | WS_TABSTOP, bounds(256, 32, 89, 25),
                 kCloseButton, windowFont_);
        HWND version = addChild(strip, L"STATIC", widen(kVersionCaption).c_str(), SS_LEFT | SS_NOPREFIX,
                                bounds(8, 72, 140, 13), -1, boldFont_);
        GradientPanel::setLabelColour(version, RGB(0xFF, 0, 0));
    }
}

int MainWindow::exec() {
    // The run the command line asks for comes first, before the window appears.
    if (const std::optional<Direction> sole = controller_.soleDirection()) {
        running_ = *sole;
        runStarted_ = GetTickCount64();
        progressEnded_ = false;
    }
    controller_.firstShown(*this);
    hideProgress();
    if (closeRequested_) {
        requestClose();
    }
    if (IsWindow(window_)) {
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        // Enter works at once: the first side's button has the focus.
        if (GetFocus() == nullptr || GetFocus() == window_) {
            SetFocus(firstButton_);
        }
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (translateKey(message)) {
            continue;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (helpShown_) {
        HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0); // the viewer must not outlive the program
    }
    return static_cast<int>(message.wParam);
}

bool MainWindow::translateKey(MSG& message) {
    if (message.message != WM_KEYDOWN || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) {
        return false;
    }
    if (message.wParam == VK_F1) {
        showHelp(false);
        return true;
    }
    if (message.wParam == VK_RETURN) {
        // Enter presses the focused button.
        HWND focus = GetFocus();
        wchar_t className[16] = {};
        GetClassNameW(focus, className, 16);
        if (focus != nullptr && lstrcmpiW(className, L"Button") == 0) {
            SendMessageW(focus, BM_CLICK, 0, 0);
        }
        return true;
    }
    return false;
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(window, message, wParam, lParam);
}

LRESULT MainWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        // As a dialog box does: the focus leaves with the window and comes
        // back to the same control, not to the frame, where Enter does nothing.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus)) {
                focusWhenInactive_ = focus;
            }
        } else if (!IsWindowEnabled(window)) {
            // A run's dialog is up and owns the keyboard: leave the focus to it.
            return 0;
        } else if (HIWORD(wParam) == 0) { // not minimised
            HWND target = focusWhenInactive_ != nullptr && IsWindow(focusWhenInactive_) &&
                                  IsWindowVisible(focusWhenInactive_)
                              ? focusWhenInactive_
                              : firstButton_;
            if (target != nullptr) {
                SetFocus(target);
                return 0;
            }
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kExportButton:
            startRun(Direction::Export);
            return 0;
        case kImportButton:
            startRun(Direction::Import);
            return 0;
        case kHelpButton:
            showHelp(true);
            return 0;
        case kCloseButton:
            requestClose();
            return 0;
        default:
            break;
        }
        break;
    case WM_SETCURSOR:
        if (hourglass_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        requestClose();
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::startRun(Direction direction) {
    running_ = direction;
    runStarted_ = GetTickCount64();
    // The run's dialogs disable the window; the focus comes back to the button
    // that started it, even where disabling the window took the focus away.
    focusWhenInactive_ = direction == Direction::Export ? exportButton_ : importButton_;
    progressEnded_ = false;
    controller_.run(direction, *this);
    hideProgress();
    if (closeRequested_) {
        requestClose();
    }
}

void MainWindow::requestClose() {
    if (controller_.running()) {
        closeRequested_ = true;
        return;
    }
    closeRequested_ = false;
    if (controller_.closing(*this) && window_ != nullptr) {
        DestroyWindow(window_);
    } else if (window_ != nullptr && !IsWindowVisible(window_)) {
        // The outcome could not be recorded: the window stays, and now appears.
        ShowWindow(window_, SW_SHOW);
    }
}

void MainWindow::showHelp(bool contents) {
    const std::filesystem::path helpFile = programDirectory_ / kHelpFileName;
    std::error_code error;
    HWND viewer = nullptr;
    if (std::filesystem::is_regular_file(helpFile, error)) {
        viewer = contents ? HtmlHelpW(window_, helpFile.wstring().c_str(), HH_DISPLAY_TOC, 0)
                          : HtmlHelpW(window_, helpFile.wstring().c_str(), HH_HELP_CONTEXT,
                                      static_cast<DWORD_PTR>(kMainHelpContext));
        helpShown_ = helpShown_ || viewer != nullptr;
    }
    if (viewer == nullptr) {
        const std::filesystem::path pages = programDirectory_ / kHelpPagesFolder;
        showError(helpUnavailableMessage(narrow(helpFile.wstring()),
                                         std::filesystem::is_directory(pages, error) ? narrow(pages.wstring())
                                                                                     : std::string()));
    }
}

HWND MainWindow::dialogOwner() const {
    return window_ != nullptr && IsWindowVisible(window_) ? window_ : nullptr;
}

void MainWindow::dropQueuedInput() const {
    if (!controller_.running()) {
        return;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

std::optional<std::string> MainWindow::chooseXmlFile() {
    dropQueuedInput();
    std::vector<wchar_t> fileName(32768, L'\0');
    std::wstring initialFolder;
    const std::string& last = controller_.state().filenameXML;
    if (!last.empty()) {
        const std::filesystem::path lastPath(widen(last));
        initialFolder = lastPath.parent_path().wstring();
        const std::wstring name = lastPath.filename().wstring();
        std::copy(name.begin(), name.end(), fileName.begin());
    }
    if (initialFolder.empty()) {
        initialFolder = readLastFolder();
    }
    if (initialFolder.empty()) {
        initialFolder = documentsFolder();
    }

    const std::wstring title = widen(kOpenDialogTitle);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    // Owned by the window even while it is hidden: a file dialog of its own
    // does not get the keyboard when it appears (seen under Wine), and the
    // user types the path at once.
    dialog.hwndOwner = window_;
    // One filter entry whose label and pattern are both "*.xml".
    dialog.lpstrFilter = L"*.xml\0*.xml\0";
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = static_cast<DWORD>(fileName.size());
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"xml";
    // A name typed for a file that does not exist is accepted: the run reports it.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&dialog)) {
        return std::nullopt;
    }
    const std::filesystem::path chosen(fileName.data());
    rememberFolder(chosen.parent_path().wstring());
    return narrow(chosen.wstring());
}

namespace {

// A message box owned by the window, or one of its own, in front, while the
// window is hidden.
void messageBox(HWND owner, const std::string& text, UINT type) {
    MessageBoxW(owner, widen(text).c_str(), widen(kApplicationTitle).c_str(),
                type | (owner == nullptr ? MB_SETFOREGROUND | MB_TASKMODAL : 0));
}

} // namespace

void MainWindow::showMessage(const std::string& text, const std::string& details) {
    dropQueuedInput();
    if (details.empty()) {
        messageBox(dialogOwner(), text, MB_OK);
        return;
    }
    ReportWindow::show(dialogOwner(), windowFont_, {text, details, {}});
}

void MainWindow::showError(const std::string& text) {
    dropQueuedInput();
    messageBox(dialogOwner(), text, MB_OK | MB_ICONERROR);
}

void MainWindow::showReport(const std::string& text, const RunSummary& summary) {
    dropQueuedInput();
    ReportWindow::show(dialogOwner(), windowFont_, {text, summary.toText(), summary.timetableFile});
}

void MainWindow::progress(const std::string& step, std::size_t done, std::size_t total) {
    (void)step;
    if (progressEnded_ || GetTickCount64() - runStarted_ < kProgressDelayMs || !IsWindowVisible(window_)) {
        keepPainted();
        return;
    }
    HWND panel = running_ == Direction::Export ? exportPanel_ : importPanel_;
    if (progressBar_ == nullptr && panel != nullptr) {
        static const bool registered = [] {
            INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
            return InitCommonControlsEx(&controls) != FALSE;
        }();
        (void)registered;
        RECT area;
        GetClientRect(panel, &area);
        progressBar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 24, 154,
                                       area.right - 48, 10, panel, nullptr, instance_, nullptr);
    }
    if (progressBar_ != nullptr) {
        SendMessageW(progressBar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
        SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    }
    keepPainted();
}

void MainWindow::keepPainted() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        const bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                           (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST);
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!input) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void MainWindow::setHourglass(bool on) {
    hourglass_ = on;
    SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
    // The work is over, in success or failure: its message is not shown over a
    // bar that no longer moves.
    if (!on) {
        hideProgress();
    }
}

void MainWindow::hideProgress() {
    progressEnded_ = true;
    if (progressBar_ != nullptr) {
        DestroyWindow(progressBar_);
        progressBar_ = nullptr;
    }
}

void MainWindow::closeWindow() {
    closeRequested_ = true;
}

} // namespace vinculor::winapp
