#include "timetable/ShownNames.h"

#include "base/Error.h"
#include "timetable/HtmlWriter.h"
#include "timetable/SchoolNames.h"
#include "timetable/Timetable.h"

#include <algorithm>
#include <cstring>

namespace vinculor::timetable {

namespace {

const Piece kNoPiece;

// The school's name of a code, where its file has one.
using Lookup = const std::string_view* (SchoolNames::*)(std::string_view) const;

} // namespace

ShownNames::ShownNames(const Timetable& timetable, const SchoolNames& names) : timetable_(timetable) {
    const Timetable& t = timetable;
    const auto nameOf = [&](Lookup lookup, std::string_view code) { return (names.*lookup)(code); };
    const auto noName = [](std::string_view) -> const std::string_view* { return nullptr; };

    // The text is sized first: a large school's names would otherwise grow it
    // by doubling, for a while twice over.
    std::size_t size = kActivityBefore.size() + kActivityAfter.size() + kBlock;
    const auto measure = [&](const CodeSet& codes, auto lookup, std::size_t around) {
        for (std::uint32_t id = 0; id < codes.size(); ++id) {
            const std::string_view* name = lookup(codes.code(id));
            size += around + escapedSize(name != nullptr ? *name : codes.code(id));
        }
    };
    const auto with = [&](Lookup lookup) {
        return [&, lookup](std::string_view c) { return nameOf(lookup, c); };
    };
    constexpr std::size_t kActivityMarkup = kActivityBefore.size() + kActivityAfter.size();
    measure(t.subjects, with(&SchoolNames::subject), kActivityMarkup);
    measure(t.activityTypes, with(&SchoolNames::activityType), kActivityMarkup);
    measure(t.groups, with(&SchoolNames::group), kMemberBefore.size());
    measure(t.teachers, with(&SchoolNames::teacher), kMemberBefore.size());
    measure(t.rooms, with(&SchoolNames::room), kMemberBefore.size());
    measure(t.times, noName, 0);
    if (size > UINT32_MAX) {
        throw Error("Los nombres del horario ocupan más de lo que su página puede guardar.");
    }
    text_.reserve(size);

    subjects_ = piecesOf(t.subjects, with(&SchoolNames::subject), kActivityBefore, kActivityAfter);
    types_ = piecesOf(t.activityTypes, with(&SchoolNames::activityType), kActivityBefore, kActivityAfter);
    members_[0] = piecesOf(t.groups, with(&SchoolNames::group), kMemberBefore, "");
    members_[1] = piecesOf(t.teachers, with(&SchoolNames::teacher), kMemberBefore, "");
    members_[2] = piecesOf(t.rooms, with(&SchoolNames::room), kMemberBefore, "");
    times_ = piecesOf(t.times, noName, "", "");
    noActivity_.at = static_cast<std::uint32_t>(text_.size());
    noActivity_.size = static_cast<std::uint32_t>(kActivityMarkup);
    noActivity_.lines.fill(1);
    text_ += kActivityBefore;
    text_ += kActivityAfter;
    text_.append(kBlock, '\0'); // what the last piece's copy reads beyond it

    // The plan's groups and subjects that the timetable lacks.
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
    for (const SchoolNames::Planned& p : names.planned) {
        const std::string_view group = names.plannedGroup(p);
        const std::string_view subject = names.plannedSubject(p);
        keepPlanned(planGroups_, t.groups, group, names.group(group));
        keepPlanned(planSubjects_, t.subjects, subject, names.subject(subject));
    }
}

template <class Lookup>
std::vector<Piece> ShownNames::piecesOf(const CodeSet& codes, Lookup lookup, std::string_view before,
                                        std::string_view after) {
    std::vector<Piece> out(codes.size());
    for (std::uint32_t id = 0; id < codes.size(); ++id) {
        Piece& p = out[id];
        const std::string_view* name = lookup(codes.code(id));
        const std::string_view shown = name != nullptr ? *name : codes.code(id);
        const std::size_t nameSize = escapedSize(shown);
        p.at = static_cast<std::uint32_t>(text_.size());
        p.size = static_cast<std::uint32_t>(before.size() + nameSize + after.size());
        p.named = name != nullptr;
        text_ += before;
        const std::size_t start = text_.size();
        text_.resize(start + nameSize); // within the room reserved
        writeEscaped(text_.data() + start, shown);
        text_ += after;
        for (std::size_t w = 0; w < kWidths; ++w) {
            const std::size_t perLine = 150 / (kFewestColumns + w); // characters, at the normal size
            p.lines[w] = static_cast<std::uint8_t>(std::min<std::size_t>(1 + nameSize / perLine, 255));
        }
    }
    return out;
}

const Piece& ShownNames::member(std::size_t axis, std::uint32_t id) const {
    return id == kNone ? kNoPiece : members_[axis][id];
}

std::optional<std::string_view> ShownNames::groupName(std::string_view code) const {
    if (const std::uint32_t id = timetable_.groups.find(code); id != kNone) {
        const Piece& p = members_[0][id];
        return p.named ? std::optional(textOf(p).substr(kMemberBefore.size())) : std::nullopt;
    }
    return find(planGroups_, code);
}

std::optional<std::string_view> ShownNames::subjectName(std::string_view code) const {
    if (const std::uint32_t id = timetable_.subjects.find(code); id != kNone) {
        const Piece& p = subjects_[id];
        const std::string_view name = textOf(p).substr(kActivityBefore.size());
        return p.named ? std::optional(name.substr(0, name.size() - kActivityAfter.size())) : std::nullopt;
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
