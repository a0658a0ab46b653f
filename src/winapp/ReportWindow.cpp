#include "ReportWindow.h"

#include "files/FileSystem.h"
#include "run/RunUi.h"
#include "text/WideText.h"

#include <commdlg.h>
#include <cstring>
#include <exception>
#include <filesystem>
#include <shellapi.h>

namespace vinculor::winapp {

using text::widen;

namespace {

constexpr wchar_t kClassName[] = L"VinculorReport";

enum ControlId : int {
    kMessageId = 100,
    kReportId,
    kCopyId,
    kSaveId,
    kTimetableId,
};

constexpr int kMargin = 10;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 25;
constexpr int kMessageHeight = 20;

struct ReportState {
    ReportWindow::Content content;
    HFONT font = nullptr;
    bool done = false;
};

// Windows line breaks, which the edit control needs.
std::wstring withCrLf(const std::string& text) {
    std::wstring out;
    for (wchar_t c : widen(text)) {
        if (c == L'\n') {
            out += L"\r\n";
        } else if (c != L'\r') {
            out += c;
        }
    }
    return out;
}

HWND addControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, HFONT font) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

void layout(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    MoveWindow(GetDlgItem(window, kMessageId), kMargin, kMargin, width - 2 * kMargin, kMessageHeight, TRUE);
    const int buttonsTop = height - kMargin - kButtonHeight;
    MoveWindow(GetDlgItem(window, kReportId), kMargin, kMargin + kMessageHeight + 4, width - 2 * kMargin,
               buttonsTop - kMargin - (kMargin + kMessageHeight + 4), TRUE);
    int left = kMargin;
    for (int id : {static_cast<int>(kCopyId), static_cast<int>(kSaveId), static_cast<int>(kTimetableId)}) {
        if (HWND button = GetDlgItem(window, id)) {
            MoveWindow(button, left, buttonsTop, kButtonWidth, kButtonHeight, TRUE);
            left += kButtonWidth + kMargin;
        }
    }
    MoveWindow(GetDlgItem(window, IDOK), width - kMargin - kButtonWidth, buttonsTop, kButtonWidth,
               kButtonHeight, TRUE);
}

void copyReport(HWND window, const std::string& report) {
    const std::wstring text = withCrLf(report);
    if (!OpenClipboard(window)) {
        return;
    }
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void saveReport(HWND window, const std::string& report) {
    wchar_t fileName[MAX_PATH] = L"informe-vinculor.txt";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window;
    dialog.lpstrFilter = L"Texto (*.txt)\0*.txt\0";
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"Guardar informe";
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) {
        return;
    }
    std::string text;
    for (char c : report) {
        if (c == '\n') {
            text += "\r\n";
        } else if (c != '\r') {
            text += c;
        }
    }
    try {
        files::writeFileAtomic(std::filesystem::path(fileName), text);
    } catch (const std::exception& e) {
        MessageBoxW(window, widen(e.what()).c_str(), widen(kApplicationTitle).c_str(), MB_OK | MB_ICONERROR);
    }
}

} // namespace

void ReportWindow::show(HWND owner, HFONT font, const Content& content) {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &ReportWindow::windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    (void)atom;

    ReportState state{content, font, false};
    // Beside its owner; with none (the main window still hidden), where
    // Windows puts a new window, with a taskbar button of its own.
    RECT ownerRect{};
    const bool owned = owner != nullptr && GetWindowRect(owner, &ownerRect);
    HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (owned ? 0 : WS_EX_APPWINDOW),
                                  kClassName, widen(kApplicationTitle).c_str(),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX,
                                  owned ? ownerRect.left + 20 : CW_USEDEFAULT,
                                  owned ? ownerRect.top + 20 : CW_USEDEFAULT, 600, 440, owner, nullptr,
                                  GetModuleHandleW(nullptr), &state);
    if (window == nullptr) {
        MessageBoxW(owner, withCrLf(content.message).c_str(), widen(kApplicationTitle).c_str(),
                    MB_OK | (owner == nullptr ? MB_SETFOREGROUND | MB_TASKMODAL : 0));
        return;
    }

    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(window, SW_SHOW);
    if (!owned) {
        SetForegroundWindow(window);
    }
    SetFocus(GetDlgItem(window, IDOK));

    MSG message;
    while (!state.done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
            (message.hwnd == window || IsChild(window, message.hwnd))) {
            // Enter presses the focused button, and otherwise closes the report.
            HWND focus = GetFocus();
            wchar_t className[16] = {};
            GetClassNameW(focus, className, 16);
            if (focus != nullptr && IsChild(window, focus) && lstrcmpiW(className, L"Button") == 0) {
                SendMessageW(focus, BM_CLICK, 0, 0);
            } else {
                SendMessageW(window, WM_COMMAND, IDOK, 0);
            }
            continue;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
    }
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
}

LRESULT CALLBACK ReportWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<ReportState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto* report = static_cast<const ReportState*>(create->lpCreateParams);
        addControl(window, L"STATIC", withCrLf(report->content.message).c_str(), SS_LEFT, kMessageId,
                   report->font);
        HWND text = addControl(window, L"EDIT", withCrLf(report->content.report).c_str(),
                               WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                   ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_TABSTOP,
                               kReportId, report->font);
        (void)text;
        addControl(window, L"BUTTON", L"&Copiar", BS_PUSHBUTTON | WS_TABSTOP, kCopyId, report->font);
        addControl(window, L"BUTTON", L"&Guardar informe...", BS_PUSHBUTTON | WS_TABSTOP, kSaveId,
                   report->font);
        if (!report->content.timetableFile.empty()) {
            addControl(window, L"BUTTON", L"&Ver horario", BS_PUSHBUTTON | WS_TABSTOP, kTimetableId,
                       report->font);
        }
        addControl(window, L"BUTTON", L"Aceptar", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, report->font);
        layout(window);
        return 0;
    }
    case WM_SIZE:
        layout(window);
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = POINT{4 * kButtonWidth + 5 * kMargin + 20, 200};
        return 0;
    }
    case WM_COMMAND:
        if (state == nullptr) {
            break;
        }
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            state->done = true;
            return 0;
        case kCopyId:
            copyReport(window, state->content.report);
            return 0;
        case kSaveId:
            saveReport(window, state->content.report);
            return 0;
        case kTimetableId:
            ShellExecuteW(window, L"open", widen(state->content.timetableFile).c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
            return 0;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        if (state != nullptr) {
            state->done = true;
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace vinculor::winapp
