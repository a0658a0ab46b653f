#include "GradientPanel.h"

#include <cstdint>

namespace vinculor::winapp {

namespace {

constexpr wchar_t kClassName[] = L"VinculorGradientPanel";

// The colour of a label's text on a panel, kept as the label's window property.
constexpr wchar_t kTextColourProperty[] = L"VinculorTextColour";

COLORREF blend(COLORREF from, COLORREF to, int step, int steps) {
    const auto mix = [&](int a, int b) { return a + (b - a) * step / (steps > 0 ? steps : 1); };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

} // namespace

HWND GradientPanel::create(HWND parent, const wchar_t* name, const RECT& bounds, const Colours& colours) {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &GradientPanel::windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    (void)atom;
    auto* stored = new Colours(colours);
    return CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, name, WS_CHILD | WS_VISIBLE, bounds.left,
                           bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                           nullptr, GetModuleHandleW(nullptr), stored);
}

void GradientPanel::setLabelColour(HWND label, COLORREF colour) {
    SetPropW(label, kTextColourProperty, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(colour) + 1));
}

void GradientPanel::paint(HWND window, const Colours& colours) {
    PAINTSTRUCT paintStruct;
    HDC dc = BeginPaint(window, &paintStruct);
    RECT client;
    GetClientRect(window, &client);
    const int height = client.bottom - client.top;
    const int half = height / 2;
    for (int y = 0; y < height; ++y) {
        const COLORREF colour = y < half ? blend(colours.start, colours.middle, y, half)
                                         : blend(colours.middle, colours.end, y - half, height - 1 - half);
        RECT line{client.left, y, client.right, y + 1};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &line, brush);
        DeleteObject(brush);
    }
    EndPaint(window, &paintStruct);
}

LRESULT CALLBACK GradientPanel::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* colours = reinterpret_cast<Colours*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_NCDESTROY:
        delete colours;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_PAINT:
        if (colours != nullptr) {
            paint(window, *colours);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const auto label = reinterpret_cast<HWND>(lParam);
        SetBkMode(dc, TRANSPARENT);
        const auto colour = reinterpret_cast<std::uintptr_t>(GetPropW(label, kTextColourProperty));
        SetTextColor(dc, colour != 0 ? static_cast<COLORREF>(colour - 1) : GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case WM_COMMAND:
        return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace vinculor::winapp
