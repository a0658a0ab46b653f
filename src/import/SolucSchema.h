#pragma once

#include "dbf/FieldDef.h"

#include <array>
#include <string_view>
#include <vector>

namespace vinculor::importing {

// Horavia's solution table SOLUC: the fields that the import reads, in the
// order Horavia writes them. The codes are character fields of ten; the day
// and the period are numbers, which Horavia writes as integers or as numeric
// text depending on its version.
inline constexpr std::array<std::string_view, 7> kSolucFields = {"ASIG",     "TAREA", "DIA", "HORA",
                                                                 "CODGRUPO", "PROF",  "AULA"};

// The same as field definitions, for the programs that make a SOLUC as
// Horavia would: the simulator, the benchmark and the tests.
std::vector<FieldDef> solucSchema(FieldType day = FieldType::Integer, FieldType period = FieldType::Integer);

} // namespace vinculor::importing
