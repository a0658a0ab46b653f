#pragma once

#include "export/SessionTime.h"
#include "run/RunState.h"
#include "xml/XmlFamilies.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vinculor::exporting {

// A set of codes that is searched with any text, without making a string of it.
struct CodeHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view code) const noexcept {
        return std::hash<std::string_view>{}(code);
    }
};
using CodeSet = std::unordered_set<std::string, CodeHash, std::equal_to<>>;

// The lines a long list of the summary shows, beyond which it only counts.
constexpr std::size_t kListedLines = 20;

// What every step of an export run works with; it lives as long as the run.
struct ExportContext {
    RunState& state;
    const XmlFamilies& doc;    // what the run read of the school's file
    std::filesystem::path dir; // where the steps write their tables
    RunSummary& summary;

    // Subject codes already written (ShortCodes) and keys already seen
    // (LongCodes) in this run; compared exactly.
    CodeSet ShortCodes = {};
    CodeSet LongCodes = {};
    // The subjects written with a code of ten characters or more, in order:
    // the first ten (all that ABREV_GESTION keeps, and what the import gives
    // back) and the whole code. Only these can come back as another's.
    std::vector<std::pair<std::string, std::string_view>> longSubjects = {};
    // The sessions step's slot keys, in ascending order.
    std::vector<std::string> ListBoxPlanti = {};
};

// The element families that the steps read, each with the attributes they
// read of it: all that an export keeps of the school's file.
const std::vector<XmlFamilySpec>& schoolFamilies();

// Each attribute's place in its family's list above, for attr(node, place).
// Materia, TipoActividad, Departamento, Aula and Ensenanza keep the same two.
namespace coded {
enum : std::size_t { Codigo, Denominacion };
}
namespace teacher {
enum : std::size_t { Codigo, Nombre, Apellido1, Apellido2, CodigoDep };
}
namespace group {
enum : std::size_t { Codigo, Denominacion, CodigoEnsenanza, Turno, Curso, Letra, CodigoTutor };
}
namespace groupSubject {
enum : std::size_t { Codigo, Horas };
}
namespace session {
enum : std::size_t { Dia, HoraInicio, HoraFin };
}

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

// Reads an attribute as every step does: trimmed, empty when missing. The
// view lies in what the run read of the file and lives as long as it.
std::string_view attr(const XmlNode& node, std::size_t place);

// A code of more than ten characters becomes its first eight and last two.
std::string shortenCode(std::string_view code);

} // namespace vinculor::exporting
