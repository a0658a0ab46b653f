#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// A stand-in for Horavia, for demonstrations and tests only: it makes no real
// timetable. From the tables that "Exportar" writes it builds a plausible
// solution table SOLUC, so that "Importar" has something to read.
namespace simulador {

struct Resumen {
    std::size_t clases = 0;          // lesson records with a day and a slot
    std::size_t tareas = 0;          // task records (ASIG = TAREA)
    std::size_t sinHueco = 0;        // lesson records left with DIA 0 and HORA 0
    std::vector<std::string> avisos; // Spanish, one line each

    std::string texto() const;
};

// Reads ASIGT, GRUPOST, ASIGNOMT, PROFT, AULAT and DIASHORAST in `htemp` and
// writes SOLUC there, replacing an earlier one. Always the same SOLUC for the
// same tables. Throws vinculor::Error when a table is missing or unreadable.
Resumen simularHorario(const std::filesystem::path& htemp);

} // namespace simulador
