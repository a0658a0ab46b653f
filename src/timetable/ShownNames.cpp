#include "timetable/ShownNames.h"

#include "base/Error.h"
#include "timetable/HtmlWriter.h"
#include "timetable/SchoolNames.h"
#include "timetable/Timetable.h"

#include <algorithm>

namespace vinculor::timetable {

namespace {

// The school's name of a code, where its file has one.
using Lookup = const std::string_view* (SchoolNames::*)(std::string_view) const;

} // namespace

ShownNames::ShownNames(const Timetable& timetable, const SchoolNames& names) : timetable_(timetable) {
    const Timetable& t = timetable;
    // The school's name of each code of a set, looked up once; null where
    // the file has none (and for the times, which have no names).
    const auto found = [&](const CodeSet& codes, Lookup lookup) {
        std::vector<const std::string_view*> shown(codes.size(), nullptr);
        if (lookup != nullptr) {
            for (std::uint32_t id = 0; id < codes.size(); ++id) {
                shown[id] = (names.*lookup)(codes.code(id));
            }
        }
        return shown;
    };
    const std::array<const CodeSet*, 6> sets = {&t.subjects, &t.activityTypes, &t.groups,
                                                &t.teachers, &t.rooms,         &t.times};
    const std::array<std::vector<const std::string_view*>, 6> named = {
        found(t.subjects, &SchoolNames::subject), found(t.activityTypes, &SchoolNames::activityType),
        found(t.groups, &SchoolNames::group),     found(t.teachers, &SchoolNames::teacher),
        found(t.rooms, &SchoolNames::room),       found(t.times, nullptr)};
    constexpr std::size_t kActivityMarkup = kActivityBefore.size() + kActivityAfter.size();
    const std::array<std::size_t, 6> markup = {kActivityMarkup,      kActivityMarkup,
                                               kMemberBefore.size(), kMemberBefore.size(),
                                               kMemberBefore.size(), 0};

    // The text is sized first: a large school's names would otherwise grow it
    // by doubling, for a while twice over.
    std::array<std::vector<std::size_t>, 6> escaped; // each name's size once escaped
    std::size_t size = kActivityMarkup + kBlock;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        escaped[k].resize(sets[k]->size());
        for (std::uint32_t id = 0; id < sets[k]->size(); ++id) {
            escaped[k][id] = escapedSize(named[k][id] != nullptr ? *named[k][id] : sets[k]->code(id));
            size += markup[k] + escaped[k][id];
        }
    }
    if (size > UINT32_MAX) {
        throw Error("Los nombres del horario ocupan más de lo que su página puede guardar.");
    }
    text_.reserve(size);

    subjects_ = piecesOf(t.subjects, named[0], escaped[0], kActivityBefore, kActivityAfter);
    types_ = piecesOf(t.activityTypes, named[1], escaped[1], kActivityBefore, kActivityAfter);
    members_[0] = piecesOf(t.groups, named[2], escaped[2], kMemberBefore, "");
    members_[1] = piecesOf(t.teachers, named[3], escaped[3], kMemberBefore, "");
    members_[2] = piecesOf(t.rooms, named[4], escaped[4], kMemberBefore, "");
    times_ = piecesOf(t.times, named[5], escaped[5], "", "");
    noActivity_.at = static_cast<std::uint32_t>(text_.size());
    noActivity_.size = static_cast<std::uint32_t>(kActivityMarkup);
    noActivity_.lines.fill(1);
    text_ += kActivityBefore;
    text_ += kActivityAfter;
    text_.append(kBlock, '\0'); // what the last piece's copy reads beyond it

    // The plan's groups and subjects that the timetable lacks; a group's
    // lines come together, and its subjects are few and repeated.
    const auto keepPlanned = [](Names& kept, const CodeSet& known, std::string_view code,
                                const std::string_view* name) {
        if (known.find(code) != kNone) {
            return;
        }
        const std::uint32_t id = kept.codes.id(code);
        if (id == kNone || id < kept.names.size()) {
            return;
        }
        kept.names.emplace_back();
        if (name != nullptr) {
            kept.names.back() = EscapedText(*name).html();
        }
    };
    std::uint32_t lastGroup = SchoolNames::kNoGroup;
    std::vector<bool> subjectSeen;
    for (const SchoolNames::Planned& p : names.planned) {
        if (p.group != lastGroup) {
            lastGroup = p.group;
            const std::string_view group = names.plannedGroup(p);
            keepPlanned(planGroups_, t.groups, group, names.group(group));
        }
        if (p.subject >= subjectSeen.size()) {
            subjectSeen.resize(p.subject + 1, false);
        }
        if (!subjectSeen[p.subject]) {
            subjectSeen[p.subject] = true;
            const std::string_view subject = names.plannedSubject(p);
            keepPlanned(planSubjects_, t.subjects, subject, names.subject(subject));
        }
    }
}

std::vector<Piece> ShownNames::piecesOf(const CodeSet& codes,
                                        const std::vector<const std::string_view*>& names,
                                        const std::vector<std::size_t>& escaped, std::string_view before,
                                        std::string_view after) {
    std::vector<Piece> out(codes.size());
    for (std::uint32_t id = 0; id < codes.size(); ++id) {
        Piece& p = out[id];
        const std::string_view* name = names[id];
        const std::string_view shown = name != nullptr ? *name : codes.code(id);
        const std::size_t nameSize = escaped[id];
        p.at = static_cast<std::uint32_t>(text_.size());
        p.size = static_cast<std::uint32_t>(before.size() + nameSize + after.size());
        p.named = name != nullptr;
        text_ += before;
        const std::size_t start = text_.size();
        text_.resize(start + nameSize); // within the room reserved
        writeEscaped(text_.data() + start, shown);
        text_ += after;
        for (std::size_t w = 0; w < kWidths; ++w) {
            // Bytes of escaped text in a line, at the normal size.
            const std::size_t perLine = 150 / (kFewestColumns + w);
            p.lines[w] = static_cast<std::uint8_t>(std::min<std::size_t>(1 + nameSize / perLine, 255));
        }
    }
    return out;
}

std::optional<std::string_view> ShownNames::groupName(std::string_view code) const {
    if (const std::uint32_t id = timetable_.groups.find(code); id != kNone) {
        const Piece& p = members_[0][id];
        return p.named ? std::optional(memberName(p)) : std::nullopt;
    }
    return find(planGroups_, code);
}

std::optional<std::string_view> ShownNames::subjectName(std::string_view code) const {
    if (const std::uint32_t id = timetable_.subjects.find(code); id != kNone) {
        const Piece& p = subjects_[id];
        return p.named ? std::optional(activityName(p)) : std::nullopt;
    }
    return find(planSubjects_, code);
}

std::optional<std::string_view> ShownNames::find(const Names& names, std::string_view code) {
    const std::uint32_t id = names.codes.find(code);
    if (id == kNone || !names.names[id]) {
        return std::nullopt;
    }
    return std::string_view(*names.names[id]);
}

} // namespace vinculor::timetable
