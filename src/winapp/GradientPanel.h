#pragma once

#include <windows.h>

namespace vinculor::winapp {

// A child window painted with a vertical three-colour gradient (start at the
// top, middle halfway, end at the bottom). It hands the commands of the
// buttons on it to the top-level window and draws its labels transparent.
class GradientPanel {
public:
    struct Colours {
        COLORREF start;
        COLORREF middle;
        COLORREF end;
    };

    static HWND create(HWND parent, const wchar_t* name, const RECT& bounds, const Colours& colours);
    // The colour of a static label's text on the panel (the system's text colour otherwise).
    static void setLabelColour(HWND label, COLORREF colour);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void paint(HWND window, const Colours& colours);
};

} // namespace vinculor::winapp
