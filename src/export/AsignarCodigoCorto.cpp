#include "export/AsignarCodigoCorto.h"

#include "text/Text.h"

#include <algorithm>

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
std::string derivedCode(const CodeSet& shortCodes, const std::string& ten) {
    const std::string base = text::length(ten) == 10 ? text::left(ten, 9) : ten;
    for (long k = 1;; ++k) {
        const std::string candidate = base + std::to_string(k);
        if (shortCodes.count(candidate) == 0) {
            return shortenCode(candidate);
        }
    }
}

// A subject's lessons come back to Pincel-eKade under the first ten
// characters of its code (ABREV_GESTION, read back without its trailing
// blanks). A code shorter than ten comes back whole.
void noteCodeReturned(ExportContext& ctx, std::string_view longCode) {
    if (longCode.size() < 10 || text::length(longCode) < 10) {
        return;
    }
    std::string ten = text::left(longCode, 10);
    while (!ten.empty() && ten.back() == ' ') {
        ten.pop_back();
    }
    ctx.longSubjects.emplace_back(std::move(ten), longCode);
}

} // namespace

AsignomtTable::AsignomtTable(Table& t)
    : table(t), cod(t.field("COD")), codlargo(t.field("CODLARGO")), nombre(t.field("NOMBRE")),
      estarea(t.field("ESTAREA")), abrevGestion(t.field("ABREV_GESTION")) {}

void AsignarCodigoCorto(ExportContext& ctx, AsignomtTable& asignomt, const XmlNode& element,
                        SubjectKind kind) {
    auto& shortCodes = ctx.ShortCodes;
    auto& longCodes = ctx.LongCodes;

    const std::string_view longCode = attr(element, coded::Codigo);
    const std::string_view name = attr(element, coded::Denominacion);
    const std::string ten = text::trim(text::left(longCode, 10));
    const std::string_view key = kind == SubjectKind::Materia ? longCode : std::string_view(ten);

    std::string code;
    if (const bool newKey = longCodes.emplace(key).second; !newKey) {
        code = ten;
    } else {
        code = shortCodes.count(ten) != 0 ? derivedCode(shortCodes, ten) : shortenCode(longCode);
    }

    if (const bool newCode = shortCodes.insert(code).second; !newCode) {
        ctx.summary.omissions.push_back(
            {"ASIGNOMT", std::string(longCode), "su código corto «" + code + "» ya existe"});
        return;
    }

    Table& table = asignomt.table;
    table.append();
    table.setText(asignomt.cod, code);
    table.setText(asignomt.codlargo, longCode);
    table.setText(asignomt.nombre, name);
    table.setBool(asignomt.estarea, kind == SubjectKind::TipoActividad);
    table.setText(asignomt.abrevGestion, longCode);
    table.post();

    if (code != longCode) {
        ctx.summary.codeChanges.push_back({"ASIGNOMT", std::string(longCode), code});
    }
    if (kind == SubjectKind::Materia) {
        noteCodeReturned(ctx, longCode);
    }
}

void reportSubjectsReturnedAlike(ExportContext& ctx) {
    auto& subjects = ctx.longSubjects;
    std::stable_sort(subjects.begin(), subjects.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t first = 0; first < subjects.size();) {
        std::size_t next = first + 1;
        for (; next < subjects.size() && subjects[next].first == subjects[first].first; ++next) {
            const auto& [ten, code] = subjects[next];
            if (code != subjects[first].second) {
                ctx.summary.subjectsReturnedAlike.push_back(std::string(code) + ": volverá como «" + ten +
                                                            "», igual que " +
                                                            std::string(subjects[first].second));
            }
        }
        first = next;
    }
    std::vector<std::pair<std::string, std::string_view>>().swap(subjects);
}

} // namespace vinculor::exporting
