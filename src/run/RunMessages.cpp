#include "run/RunMessages.h"

#include "files/FileSystem.h"

namespace vinculor {

namespace {

const std::string kSeeHelp = " Vea «Mensajes y qué hacer ante cada uno» en la ayuda (" +
                             std::string(kMessagesHelpPage) + ", tecla F1).";

} // namespace

std::string missingExportInputDetails(const std::string& file) {
    if (file.empty()) {
        return "No se ha elegido ningún archivo XML: elija el archivo que exportó Pincel-eKade." + kSeeHelp;
    }
    return "Falta el archivo XML «" + file +
           "» (o es una carpeta): elija un archivo de Pincel-eKade que exista. No se ha tocado ninguna "
           "tabla." +
           kSeeHelp;
}

std::string missingImportInputDetails(const std::string& file, bool fileFound,
                                      const std::filesystem::path& horaviaDir) {
    if (file.empty()) {
        return "No se ha elegido ningún archivo XML: elija el mismo archivo de Pincel-eKade que usó al "
               "exportar." +
               kSeeHelp;
    }
    if (!fileFound) {
        return "Falta el archivo XML «" + file +
               "» (o es una carpeta): elija el mismo archivo de Pincel-eKade que usó al exportar." + kSeeHelp;
    }
    const std::string dir = files::toUtf8(horaviaDir);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(horaviaDir, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return "No existe el directorio de Horavia «" + dir +
               "»: compruebe cuál es el directorio en que trabaja Horavia." + kSeeHelp;
    }
    if (!ec && status.type() != std::filesystem::file_type::directory) {
        return "«" + dir + "» no es un directorio: no puede ser el directorio de Horavia." + kSeeHelp;
    }
    return "Falta la solución de Horavia «" + files::toUtf8(horaviaDir / "SOLUC.DBF") +
           "»: calcule y guarde el horario en Horavia y vuelva a importar." + kSeeHelp;
}

std::string errorDetails(const std::string& step, ErrorKind kind) {
    std::string details;
    if (!step.empty()) {
        details = "Ocurrió en el paso «" + step + "». ";
    }
    if (kind == ErrorKind::KeptAside) {
        return details +
               "El directorio de Horavia quedó a medias: la próxima exportación o importación lo pondrá como "
               "estaba antes. Corrija la causa y vuelva a empezar." +
               kSeeHelp;
    }
    return details +
           "No se ha cambiado ninguna tabla ni se ha escrito ningún documento: corrija la causa y vuelva a "
           "empezar." +
           kSeeHelp;
}

} // namespace vinculor
