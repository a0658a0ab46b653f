#pragma once

#include <string>

namespace vinculor {

// The compiled help, named without a directory: it lies beside the program.
inline constexpr char kHelpFileName[] = "EKADE.chm";
// The same pages as plain HTML, in this folder beside the program, for the
// desktops that have no viewer of compiled help.
inline constexpr char kHelpPagesFolder[] = "ayuda";
inline constexpr char kHelpContentsPage[] = "index.html";
// The help context number of the window and of every panel and button on it.
inline constexpr int kMainHelpContext = 3;

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

// What the user reads when no viewer could open the help.
inline std::string helpUnavailableMessage(const std::string& helpFile, const std::string& pagesFolder) {
    return "No se ha podido abrir la ayuda.\nEstá en «" + helpFile +
           "» y, como páginas HTML, en la carpeta «" + pagesFolder +
           "»: ábrala con el navegador o con un visor de ayuda.";
}

} // namespace vinculor
