#include "export/AsignarCodigoCorto.h"

#include "text/Text.h"

namespace vinculor::exporting {

const std::vector<FieldDef>& asignomtFields() {
    static const std::vector<FieldDef> fields = {
        {"COD", FieldType::Character, 10},    {"CODLARGO", FieldType::Character, 10},
        {"NOMBRE", FieldType::Character, 80}, {"CODTAREA", FieldType::Character, 12},
        {"ESTAREA", FieldType::Boolean, 0},   {"ABREV_GESTION", FieldType::Character, 10},
    };
    return fields;
}

namespace {

// A new key whose ten-character code is already written: the code becomes the
// ten characters less the tenth, followed by the first free number
// ('MATEMATIC1' for 'MATEMATICAS3' once 'MATEMATICA' is taken).
std::string derivedCode(const std::unordered_set<std::string>& shortCodes, const std::string& ten) {
    const std::string base = text::length(ten) == 10 ? text::left(ten, 9) : ten;
    for (long k = 1;; ++k) {
        const std::string candidate = base + std::to_string(k);
        if (shortCodes.count(candidate) == 0) {
            return shortenCode(candidate);
        }
    }
}

} // namespace

void AsignarCodigoCorto(ExportContext& ctx, Table& asignomt, const XmlNode& element, SubjectKind kind) {
    auto& shortCodes = ctx.ShortCodes;
    auto& longCodes = ctx.LongCodes;

    const std::string longCode = attr(element, "Codigo");
    const std::string name = attr(element, "Denominacion");
    const std::string ten = text::trim(text::left(longCode, 10));
    const std::string& key = kind == SubjectKind::Materia ? longCode : ten;

    std::string code;
    if (longCodes.count(key) != 0) {
        code = ten;
    } else {
        longCodes.insert(key);
        code = shortCodes.count(ten) != 0 ? derivedCode(shortCodes, ten) : shortenCode(longCode);
    }

    if (shortCodes.count(code) != 0) {
        ctx.summary.omissions.push_back({"ASIGNOMT", longCode, "su código corto «" + code + "» ya existe"});
        return;
    }
    shortCodes.insert(code);

    asignomt.append();
    asignomt.setText("COD", code);
    asignomt.setText("CODLARGO", longCode);
    asignomt.setText("NOMBRE", name);
    asignomt.setBool("ESTAREA", kind == SubjectKind::TipoActividad);
    asignomt.setText("ABREV_GESTION", attr(element, "Codigo"));
    asignomt.post();

    if (code != longCode) {
        ctx.summary.codeChanges.push_back({"ASIGNOMT", longCode, code});
    }
}

} // namespace vinculor::exporting
