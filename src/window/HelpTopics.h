#pragma once

#include "window/WindowController.h"

#include <string>

namespace vinculor {

// The help's pages beside the program: the compiled help (kHelpFileName) and
// the same pages as plain HTML, in this folder beside the program, for the
// desktops that have no viewer of compiled help.
inline constexpr char kHelpPagesFolder[] = "ayuda";
inline constexpr char kHelpContentsPage[] = "index.html";

// The page of a help context number, as the help project maps it; the
// contents page for a number it does not know.
inline std::string helpPageForContext(int context) {
    switch (context) {
    case kMainHelpContext:
        return "index.html";
    default:
        return kHelpContentsPage;
    }
}

// What the user reads when no viewer could open the help; `pagesFolder` is
// left out when empty (a program shipped with the compiled help alone).
inline std::string helpUnavailableMessage(const std::string& helpFile, const std::string& pagesFolder) {
    if (pagesFolder.empty()) {
        return "No se ha podido abrir la ayuda.\nEstá en «" + helpFile + "»: ábrala con un visor de ayuda.";
    }
    return "No se ha podido abrir la ayuda.\nEstá en «" + helpFile +
           "» y, como páginas HTML, en la carpeta «" + pagesFolder +
           "»: ábrala con el navegador o con un visor de ayuda.";
}

} // namespace vinculor
