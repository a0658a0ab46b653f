#pragma once

#include "run/RunState.h"
#include "xml/XmlDocument.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vinculor::exporting {

// What every step of an export run works with.
struct ExportContext {
    RunState& state;
    const XmlDocument& doc;
    std::filesystem::path dir; // where the steps write their tables
    RunSummary& summary;
};

// The steps, in the order the run calls them.
void ExportarMaterias(ExportContext& ctx);
void ExportarTiposActividad(ExportContext& ctx);
void ExportarProfesores(ExportContext& ctx);
void ExportarAulas(ExportContext& ctx);
void ExportarGrupos(ExportContext& ctx);
void ExportarSesiones(ExportContext& ctx);
void ExportarMateriasGrupo(ExportContext& ctx);

// The tables an export run writes, in the order they are made.
inline const std::vector<std::string> kExportTables = {"ASIGNOMT",   "PROFT",    "AULAT", "GRUPOST",
                                                       "DIASHORAST", "COUNTSES", "ASIGT"};

// Reads an attribute as every step does: trimmed, empty when missing.
std::string attr(const XmlNode& node, const char* name);

// A code of more than ten characters becomes its first eight and last two.
std::string shortenCode(std::string_view code);

} // namespace vinculor::exporting
