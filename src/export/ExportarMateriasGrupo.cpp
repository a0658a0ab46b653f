#include "base/Error.h"
#include "export/ExportContext.h"
#include "export/SessionTime.h"
#include "text/Text.h"

#include <cstdint>
#include <unordered_map>

namespace vinculor::exporting {

namespace {

// The subjects of every group, read before any record is written, so that a
// bad Horas anywhere stops the run before any record. A school repeats a
// handful of Horas texts: each distinct one gives its time value and session
// pattern once. The subjects come in document order, which is group by
// group; the subjects of group g are those from firstOf[g] to firstOf[g + 1].
struct GroupSubjects {
    struct Hours {
        float time;
        std::string pattern;
    };
    std::unordered_map<std::string_view, Hours> hoursByText;
    std::vector<const Hours*> hours; // by subject; codes are read from the elements where needed
    std::vector<std::size_t> firstOf;
    std::unordered_map<std::string_view, std::vector<std::size_t>> groupsByCode; // groups by their code
};

GroupSubjects readGroupSubjects(const XmlNodeList& groups, const XmlNodeList& subjects,
                                const SessionLengths& lengths) {
    GroupSubjects read;
    read.hours.reserve(subjects.size());
    for (const XmlNode& subject : subjects) {
        const std::string_view text = attr(subject, groupSubject::Horas);
        auto found = read.hoursByText.find(text);
        if (found == read.hoursByText.end()) {
            try {
                const float time = sessionTime(text, lengths);
                found =
                    read.hoursByText.emplace(text, GroupSubjects::Hours{time, sessionPattern(time)}).first;
            } catch (const Error& e) {
                const std::size_t g = subject.owner();
                const std::string_view group = g < groups.size() ? attr(groups[g], group::Codigo) : "";
                throw Error(std::string(e.what()) + "\nEn el grupo «" + std::string(group) + "», materia «" +
                            std::string(attr(subject, groupSubject::Codigo)) +
                            "», atributo «Horas»: escriba las horas como número (por ejemplo 2,5) en "
                            "Pincel-eKade y vuelva a exportar.");
            }
        }
        read.hours.push_back(&found->second);
    }
    read.firstOf.reserve(groups.size() + 1);
    std::size_t next = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        read.firstOf.push_back(next);
        while (next < subjects.size() && subjects[next].owner() == g) {
            ++next;
        }
        read.groupsByCode[attr(groups[g], group::Codigo)].push_back(g);
    }
    read.firstOf.push_back(next);
    return read;
}

// A group subject whose code is none of the file's subjects or activity
// types: Horavia will not know it. Its record is written all the same, and
// the summary names the code once, with the groups that have it ("subject:
// group, group..."; the first few, so that a file whose every group subject
// misses gives a readable report). The keys the subjects step saw are the
// subjects' codes and the activity types' first ten characters.
void reportUnknownSubjects(ExportContext& ctx, const XmlNodeList& groups, const XmlNodeList& subjects) {
    constexpr std::size_t kGroupsShown = 5;
    struct Unknown {
        std::string_view code;
        std::vector<std::string_view> groups;
        std::size_t count = 0;            // groups that have it
        std::size_t lastGroup = SIZE_MAX; // a group that has it twice counts once
    };
    std::vector<Unknown> unknown;
    std::unordered_map<std::string_view, std::size_t> placeOf;
    for (const XmlNode& subject : subjects) {
        const std::string_view code = attr(subject, groupSubject::Codigo);
        if (code.empty() || ctx.LongCodes.contains(code) ||
            ctx.LongCodes.contains(text::trim(text::left(code, 10)))) {
            continue;
        }
        const auto [at, isNew] = placeOf.emplace(code, unknown.size());
        if (isNew) {
            unknown.push_back({code, {}, 0});
        }
        Unknown& u = unknown[at->second];
        const std::size_t g = subject.owner();
        if (g == u.lastGroup) {
            continue;
        }
        u.lastGroup = g;
        if (++u.count <= kGroupsShown) {
            u.groups.push_back(g < groups.size() ? attr(groups[g], group::Codigo) : "");
        }
    }
    for (const Unknown& u : unknown) {
        std::string line = std::string(u.code) + ":";
        for (std::size_t k = 0; k < u.groups.size(); ++k) {
            line.append(k == 0 ? " " : ", ").append(u.groups[k]);
        }
        if (u.count > u.groups.size()) {
            line += " y " + std::to_string(u.count - u.groups.size()) + " más";
        }
        ctx.summary.subjectsNotFound.push_back(std::move(line));
    }
}

} // namespace

void ExportarMateriasGrupo(ExportContext& ctx, const SessionLengths& lengths) {
    deleteTableFiles(ctx.dir, "ASIGT");
    Table table(ctx.dir, "ASIGT");
    table.create({
        {"CASIG", FieldType::Character, 10},
        {"CPROF", FieldType::Character, 10},
        {"CGRUP", FieldType::Character, 10},
        {"CAULA", FieldType::Character, 10},
        {"TURNO", FieldType::Character, 1},
        {"NIVEL", FieldType::Character, 5},
        {"CURSO", FieldType::Character, 3},
        {"GRUPO", FieldType::Character, 2},
        {"HORAS", FieldType::Float, 0},
        {"SESIONES", FieldType::Character, 20},
        {"NCONEX", FieldType::Character, 4},
        {"CTAREA", FieldType::Character, 10},
        {"ASIG_GESTION", FieldType::Character, 10},
    });
    table.open();
    // Held for the timetabling program's sake while ASIGT is written; nothing is read.
    ctx.state.tables.wwTableGrupos.open();
    ctx.state.tables.wwTableNomAsg.open();

    const XmlNodeList groups = ctx.doc.selectNodes("/Centro/Grupos/Grupo");
    const XmlNodeList subjects = ctx.doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo");

    GroupSubjects read = readGroupSubjects(groups, subjects, lengths);
    reportUnknownSubjects(ctx, groups, subjects);

    // Group by group; a group code that repeats writes the subjects of every
    // group with that code, once for each of them. The fields that a group's
    // records share are written once, into the record that each one starts from.
    const Table::Field casig = table.field("CASIG"), cgrup = table.field("CGRUP"),
                       turno = table.field("TURNO"), nivel = table.field("NIVEL"),
                       curso = table.field("CURSO"), grupo = table.field("GRUPO"),
                       horas = table.field("HORAS"), sesiones = table.field("SESIONES"),
                       ctarea = table.field("CTAREA"), gestion = table.field("ASIG_GESTION");
    Table::Record start = table.blankRecord();
    table.setText(start, ctarea, "CCM");
    for (const XmlNode& group : groups) {
        const std::string_view code = attr(group, group::Codigo);
        table.setText(start, cgrup, code);
        table.setText(start, turno, attr(group, group::Turno));
        table.setText(start, nivel, attr(group, group::CodigoEnsenanza));
        table.setText(start, curso, attr(group, group::Curso));
        table.setText(start, grupo, attr(group, group::Letra));
        table.setText(start, gestion, code); // the group's code again, as in CGRUP, not the subject's
        for (const std::size_t holder : read.groupsByCode[code]) {
            for (std::size_t index = read.firstOf[holder]; index < read.firstOf[holder + 1]; ++index) {
                const std::string_view subject = attr(subjects[index], groupSubject::Codigo);
                if (subject.empty()) {
                    continue;
                }
                table.append(start);
                table.setText(casig, subject);
                table.setDouble(horas, static_cast<double>(read.hours[index]->time));
                table.setText(sesiones, read.hours[index]->pattern);
                table.post();
            }
        }
    }

    ctx.summary.setTableCount("ASIGT", table.recordCount());
    table.close();
    ctx.state.tables.wwTableGrupos.close();
    ctx.state.tables.wwTableNomAsg.close();
}

} // namespace vinculor::exporting
