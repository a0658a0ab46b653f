#include "timetable/SchoolNames.h"

#include "text/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace vinculor::timetable {

namespace {

std::string_view attr(const XmlNode& node, std::string_view name) {
    return text::trimmed(node.attributeView(name));
}

// The width of the table field that keeps each kind of code on the way back.
std::size_t keptWidth(SchoolNames::Kind kind) {
    return kind == SchoolNames::Kind::Room ? 20 : 10;
}

// The first three distinct session lengths of the week, in the order of the
// slots (day, start, end), as the export finds them.
void sessionLengths(const XmlFamilies& doc, int lengths[3]) {
    lengths[0] = lengths[1] = lengths[2] = 0;
    const XmlNodeList sessions = doc.selectNodes("/Centro/Sesiones/Sesion");
    if (sessions.size() < 2) {
        return;
    }
    static constexpr std::string_view kDays = "LMXJVSD";
    std::vector<std::string> keys;
    for (const XmlNode& s : sessions) {
        const std::string_view day = attr(s, "Dia");
        if (day.empty() || kDays.find(day.front()) == std::string_view::npos) {
            continue;
        }
        keys.push_back(std::string(1, static_cast<char>('1' + kDays.find(day.front()))) +
                       std::string(attr(s, "HoraInicio")) + std::string(attr(s, "HoraFin")));
    }
    std::sort(keys.begin(), keys.end());
    const auto minutes = [](std::string_view time) {
        int h = 0;
        int m = 0;
        if (time.size() != 5 || std::from_chars(time.data(), time.data() + 2, h).ptr != time.data() + 2 ||
            std::from_chars(time.data() + 3, time.data() + 5, m).ptr != time.data() + 5) {
            return -1;
        }
        return h * 60 + m;
    };
    std::vector<int> distinct;
    for (const std::string& k : keys) {
        if (k.size() != 11) {
            continue;
        }
        const int start = minutes(std::string_view(k).substr(1, 5));
        const int end = minutes(std::string_view(k).substr(6, 5));
        if (start < 0 || end < 0) {
            continue;
        }
        if (std::find(distinct.begin(), distinct.end(), end - start) == distinct.end()) {
            distinct.push_back(end - start);
        }
    }
    if (distinct.size() == 1) {
        lengths[0] = lengths[1] = distinct[0];
    } else if (distinct.size() >= 2) {
        lengths[0] = distinct[0];
        lengths[1] = distinct[1];
        lengths[2] = distinct.size() >= 3 ? distinct[2] : distinct[1];
    }
}

// The codes that the export gives teachers, rooms and groups in Horavia's
// tables, worked out again in the same order: a repeated code (letter case
// aside) becomes its first ten characters followed by 1, 2, ...; a room's or
// group's code of more than ten characters its first eight and last two; the
// table keeps ten.
class HoraviaCodes {
public:
    explicit HoraviaCodes(bool shortenLong) : shortenLong_(shortenLong) {}

    std::string next(std::string_view code) {
        std::string given(code);
        std::string folded = text::foldCase(given);
        if (used_.contains(folded)) {
            const std::string base(text::trimmed(text::left(code, 10)));
            for (int k = 1;; ++k) {
                given = base + std::to_string(k);
                folded = text::foldCase(given);
                if (!used_.contains(folded)) {
                    break;
                }
            }
        }
        if (shortenLong_ && text::length(given) > 10) {
            given = text::left(given, 8) + text::right(given, 2);
            folded = text::foldCase(given);
        }
        used_.insert(std::move(folded));
        return text::left(given, 10);
    }

private:
    bool shortenLong_;
    std::unordered_set<std::string> used_;
};

} // namespace

const std::string_view* SchoolNames::find(const Names& names, std::string_view code) {
    const std::uint32_t id = names.codes.find(code);
    return id == kNone ? nullptr : &names.names[id];
}

void SchoolNames::addName(Kind kind, std::string_view code, std::string_view name) {
    Names* names = nullptr;
    switch (kind) {
    case Kind::Subject:
        names = &subjects_;
        break;
    case Kind::ActivityType:
        names = &activityTypes_;
        break;
    case Kind::Teacher:
        names = &teachers_;
        break;
    case Kind::Room:
        names = &rooms_;
        break;
    case Kind::Group:
        names = &groups_;
        break;
    }
    if (code.empty() || name.empty()) {
        return;
    }
    std::string_view keptName;
    const auto add = [&](std::string_view key) {
        if (names->codes.id(key) == names->names.size()) {
            if (keptName.empty()) {
                keptName = kept(name);
            }
            names->names.push_back(keptName);
        }
    };
    add(code);
    if (text::length(code) > keptWidth(kind)) {
        add(text::left(code, keptWidth(kind)));
    }
}

void SchoolNames::forgetNames() {
    for (Names* names : {&subjects_, &activityTypes_, &teachers_, &rooms_, &groups_}) {
        *names = Names{};
    }
    chunks_ = decltype(chunks_)();
    free_ = nullptr;
    room_ = 0;
}

void SchoolNames::forgetPlan() {
    decltype(planned)().swap(planned);
    decltype(groupCodes_)().swap(groupCodes_);
    planSubjects_ = CodeSet();
    planHours_ = CodeSet();
    decltype(hoursSessions_)().swap(hoursSessions_);
}

std::string_view SchoolNames::kept(std::string_view text) {
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    if (text.size() > room_) {
        room_ = std::max(kChunk, text.size());
        chunks_.push_back(std::make_unique<char[]>(room_));
        free_ = chunks_.back().get();
    }
    std::copy(text.begin(), text.end(), free_);
    const std::string_view view(free_, text.size());
    free_ += text.size();
    room_ -= text.size();
    return view;
}

int SchoolNames::sessionsOf(std::string_view hours, const int lengths[3]) {
    std::string h(hours == "00,00" ? "01,00" : hours);
    std::replace(h.begin(), h.end(), ',', '.');
    double value = 0;
    const auto [end, ec] = std::from_chars(h.data(), h.data() + h.size(), value);
    if (ec != std::errc() || end != h.data() + h.size() || !std::isfinite(value) || value < 0 ||
        value > 1e6) {
        return -1;
    }
    value = static_cast<float>(value);
    const bool wholeHours = h.size() >= 5 && h.compare(3, 2, "00") == 0;
    if (!wholeHours) {
        const double minutes = static_cast<float>(value * 60);
        bool fitted = false;
        for (int i = 0; i < 3 && !fitted; ++i) {
            const int length = lengths[i];
            if (length == 0 || (i == 2 && lengths[1] == 0)) {
                continue;
            }
            const double sessions = minutes / length;
            if (sessions == std::floor(sessions)) {
                value = sessions;
                fitted = true;
            }
        }
        if (!fitted) {
            value = minutes / 60 != std::floor(minutes / 60) ? std::ceil(minutes / 60) : minutes;
        }
    }
    return static_cast<int>(std::ceil(value));
}

const std::vector<XmlFamilySpec>& SchoolNames::families() {
    static const std::vector<XmlFamilySpec> kFamilies = {
        {"/Centro/Materias/Materia", {"Codigo", "Denominacion"}},
        {"/Centro/TiposActividad/TipoActividad", {"Codigo", "Denominacion"}},
        {"/Centro/Profesores/Profesor", {"Codigo", "Nombre", "Apellido1", "Apellido2"}},
        {"/Centro/Aulas/Aula", {"Codigo", "Denominacion"}},
        {"/Centro/Grupos/Grupo", {"Codigo", "Denominacion"}},
        {"/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo", {"Codigo", "Horas"}},
        {"/Centro/Sesiones/Sesion", {"Dia", "HoraInicio", "HoraFin"}},
    };
    return kFamilies;
}

SchoolNames SchoolNames::read(const XmlFamilies& doc) {
    SchoolNames names;
    const XmlNode root = doc.selectSingleNode("/Centro");
    names.schoolCode = attr(root, "Codigo");
    names.schoolName = attr(root, "Nombre");
    names.schoolYear = attr(root, "CursoEscolar");

    for (const XmlNode& n : doc.selectNodes("/Centro/Materias/Materia")) {
        names.addName(Kind::Subject, attr(n, "Codigo"), attr(n, "Denominacion"));
    }
    for (const XmlNode& n : doc.selectNodes("/Centro/TiposActividad/TipoActividad")) {
        names.addName(Kind::ActivityType, attr(n, "Codigo"), attr(n, "Denominacion"));
    }
    const XmlNodeList teachers = doc.selectNodes("/Centro/Profesores/Profesor");
    HoraviaCodes teacherCodes(false);
    for (const XmlNode& n : teachers) {
        std::string full;
        for (const char* part : {"Nombre", "Apellido1", "Apellido2"}) {
            const std::string_view p = attr(n, part);
            if (!p.empty()) {
                full += full.empty() ? "" : " ";
                full += p;
            }
        }
        const std::string_view code = attr(n, "Codigo");
        names.addName(Kind::Teacher, teacherCodes.next(code), full);
        names.addName(Kind::Teacher, code, full);
    }
    // Rooms by the code Horavia knows them by, which a room without a code
    // takes from the first ten characters of its name. A code given twice is
    // named by the first of its rooms that has a name.
    HoraviaCodes roomCodes(true);
    for (const XmlNode& n : doc.selectNodes("/Centro/Aulas/Aula")) {
        const std::string_view code = attr(n, "Codigo");
        const std::string_view name = attr(n, "Denominacion");
        const std::string given = roomCodes.next(code.empty() ? text::left(name, 10) : std::string(code));
        names.addName(Kind::Room, text::trimmed(given), name); // the table keeps no blank at its end
    }
    // Groups by the code Horavia knows them by; the plan names them by theirs.
    const XmlNodeList groups = doc.selectNodes("/Centro/Grupos/Grupo");
    HoraviaCodes groupCodes(true);
    names.groupCodes_.resize(groups.size());
    std::unordered_map<std::string_view, std::size_t> firstGroup; // code -> its first group
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const XmlNode& n = groups[g];
        const std::string_view code = attr(n, "Codigo");
        const auto [first, added] = firstGroup.try_emplace(code, g);
        const std::string given = groupCodes.next(code);
        names.addName(Kind::Group, given, attr(n, "Denominacion"));
        names.groupCodes_[g] = added ? given : names.groupCodes_[first->second]; // the first group's
        names.addName(Kind::Group, code, attr(n, "Denominacion"));
    }

    int lengths[3];
    sessionLengths(doc, lengths);
    const XmlNodeList subjects = doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo");
    names.planned.reserve(subjects.size());
    for (const XmlNode& n : subjects) {
        const std::string_view subject = attr(n, "Codigo");
        if (subject.empty()) {
            continue;
        }
        const std::string_view hours = attr(n, "Horas");
        const std::uint32_t hoursId = names.planHours_.id(hours);
        if (hoursId == names.hoursSessions_.size()) { // a school has few distinct "Horas"
            names.hoursSessions_.push_back(sessionsOf(hours, lengths));
        }
        const std::size_t owner = n.owner();
        names.planned.push_back({owner < groups.size() ? static_cast<std::uint32_t>(owner) : kNoGroup,
                                 names.planSubjects_.id(subject), hoursId});
    }
    // Kept for the whole run, beside the timetable: without the room their growth left.
    names.planned.shrink_to_fit();
    for (Names* kind :
         {&names.subjects_, &names.activityTypes_, &names.teachers_, &names.rooms_, &names.groups_}) {
        kind->names.shrink_to_fit();
    }
    return names;
}

} // namespace vinculor::timetable
