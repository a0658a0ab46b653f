#pragma once

#include "export/SessionTime.h"
#include "run/RunState.h"
#include "xml/XmlFamilies.h"

#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

namespace vinculor::exporting {

// What every step of an export run works with; it lives as long as the run.
struct ExportContext {
    RunState& state;
    const XmlFamilies& doc;    // what the run read of the school's file
    std::filesystem::path dir; // where the steps write their tables
    RunSummary& summary;

    // Subject codes already written (ShortCodes) and keys already seen
    // (LongCodes) in this run; compared exactly.
    std::unordered_set<std::string> ShortCodes = {};
    std::unordered_set<std::string> LongCodes = {};
    // The sessions step's slot keys, in ascending order.
    std::vector<std::string> ListBoxPlanti = {};
};

// The element families that the steps read, each with the attributes they
// read of it: all that an export keeps of the school's file.
const std::vector<XmlFamilySpec>& schoolFamilies();

// The steps, in the order the run calls them.
void ExportarMaterias(ExportContext& ctx);
void ExportarTiposActividad(ExportContext& ctx);
void ExportarProfesores(ExportContext& ctx);
void ExportarAulas(ExportContext& ctx);
void ExportarGrupos(ExportContext& ctx);
// Returns the session lengths that the group subjects need.
SessionLengths ExportarSesiones(ExportContext& ctx);
void ExportarMateriasGrupo(ExportContext& ctx, const SessionLengths& lengths);

// The tables an export run writes, in the order they are made.
inline const std::vector<std::string> kExportTables = {"ASIGNOMT",   "PROFT",    "AULAT", "GRUPOST",
                                                       "DIASHORAST", "COUNTSES", "ASIGT"};

// Reads an attribute as every step does: trimmed, empty when missing.
std::string attr(const XmlNode& node, const char* name);

// A code of more than ten characters becomes its first eight and last two.
std::string shortenCode(std::string_view code);

} // namespace vinculor::exporting
