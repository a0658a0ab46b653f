#pragma once

#include <string>
#include <windows.h>

namespace vinculor::winapp {

// What a finished run says: its message ("Proceso finalizado") above the
// whole report, in a window that can be resized, with "Copiar", "Guardar
// informe..." and, after an import that wrote one, "Ver horario". Enter or
// "Aceptar" closes it. Modal to its owner.
class ReportWindow {
public:
    struct Content {
        std::string message;       // UTF-8
        std::string report;        // UTF-8, one fact a line
        std::string timetableFile; // UTF-8; empty when there is none
    };

    static void show(HWND owner, HFONT font, const Content& content);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace vinculor::winapp
