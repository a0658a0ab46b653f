#include "export/ExportContext.h"

#include "text/Text.h"

namespace vinculor::exporting {

const std::vector<XmlFamilySpec>& schoolFamilies() {
    static const std::vector<XmlFamilySpec> families = {
        {"/Centro/Materias/Materia", {"Codigo", "Denominacion"}},
        {"/Centro/TiposActividad/TipoActividad", {"Codigo", "Denominacion"}},
        {"/Centro/Profesores/Profesor", {"Codigo", "Nombre", "Apellido1", "Apellido2", "CodigoDep"}},
        {"/Centro/Departamentos/Departamento", {"Codigo", "Denominacion"}},
        {"/Centro/Aulas/Aula", {"Codigo", "Denominacion"}},
        {"/Centro/Grupos/Grupo",
         {"Codigo", "Denominacion", "CodigoEnsenanza", "Turno", "Curso", "Letra", "CodigoTutor"}},
        {"/Centro/Ensenanzas/Ensenanza", {"Codigo", "Denominacion"}},
        {"/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo", {"Codigo", "Horas"}},
        {"/Centro/Sesiones/Sesion", {"Dia", "HoraInicio", "HoraFin"}},
        // Not school data: its presence tells the import's own result apart.
        {"/Centro/horario", {}},
    };
    return families;
}

std::string_view attr(const XmlNode& node, std::size_t place) {
    return text::trimmed(node.attributeAt(place));
}

std::string shortenCode(std::string_view code) {
    if (text::length(code) <= 10) {
        return std::string(code);
    }
    return text::left(code, 8) + text::right(code, 2);
}

} // namespace vinculor::exporting
