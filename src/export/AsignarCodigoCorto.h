#pragma once

#include "export/ExportContext.h"

namespace vinculor::exporting {

enum class SubjectKind { Materia, TipoActividad };

// ASIGNOMT open for appending, with the fields that a subject's record fills
// found once.
struct AsignomtTable {
    explicit AsignomtTable(Table& table);
    Table& table;
    Table::Field cod, codlargo, nombre, estarea, abrevGestion;
};

// Gives one subject or activity type its short code (COD, at most ten
// characters, unique in ASIGNOMT) and appends its record to the open table,
// unless its code is already taken.
void AsignarCodigoCorto(ExportContext& ctx, AsignomtTable& asignomt, const XmlNode& element,
                        SubjectKind kind);

// Once every subject has its record: names in the summary the subjects that
// the import will give back under another subject's code (the first ten
// characters of their codes are the same).
void reportSubjectsReturnedAlike(ExportContext& ctx);

// The fields of ASIGNOMT, in order.
const std::vector<FieldDef>& asignomtFields();

} // namespace vinculor::exporting
