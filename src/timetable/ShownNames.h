#pragma once

#include "timetable/CodeSet.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor::timetable {

class SchoolNames;
class Timetable;

// A grid's cells are written from pieces: an activity in bold, then each of
// the others (group, teacher, room) on a line of its own (pre-line).
constexpr std::string_view kActivityBefore = "<b>";
constexpr std::string_view kActivityAfter = "</b>";
constexpr std::string_view kMemberBefore = "\n";

// The printed widths of a grid: five, six or seven days as columns.
constexpr std::size_t kWidths = 3;
constexpr int kFewestColumns = 5;

// The text is followed by this many bytes, so that a piece can be copied in
// blocks of this size whatever its length.
constexpr std::size_t kBlock = 32;

// The shown name of a code, escaped once and kept in the names' text between
// the markup that comes before and after it in a grid's cell.
struct Piece {
    std::uint32_t at = 0; // in the text
    std::uint32_t size = 0;
    // The printed lines that its name takes in a column of a grid of five,
    // six or seven days, guessed from its escaped size; at most 255.
    std::array<std::uint8_t, kWidths> lines{};
    bool named = false; // false where the code stands for its missing name
};

// What the timetable document shows for each code of a timetable: the
// school's name for it, or the code itself where the school's file has none,
// escaped once into one text; and the names of the groups and subjects of the
// school's plan, for the lines of the check. Built before the timetable's
// entries are put in order, so that the school's names can go before then.
class ShownNames {
public:
    ShownNames(const Timetable& timetable, const SchoolNames& names);

    // The text of every piece, one after another, then kBlock bytes.
    const char* text() const { return text_.data(); }
    std::string_view textOf(const Piece& p) const { return {text_.data() + p.at, p.size}; }

    const Piece& subject(std::uint32_t id) const { return subjects_[id]; }
    const Piece& activityType(std::uint32_t id) const { return types_[id]; }
    // An activity without a code in the result: an empty name.
    const Piece& noActivity() const { return noActivity_; }
    // A group's, teacher's or room's (by Axis); an empty piece for none (kNone).
    const Piece& member(std::size_t axis, std::uint32_t id) const {
        return id == kNone ? noMember_ : members_[axis][id];
    }
    const Piece& time(std::uint32_t id) const { return times_[id]; }
    // The escaped name within an activity's or a member's piece.
    std::string_view activityName(const Piece& p) const {
        return {text_.data() + p.at + kActivityBefore.size(),
                p.size - kActivityBefore.size() - kActivityAfter.size()};
    }
    std::string_view memberName(const Piece& p) const {
        return {text_.data() + p.at + kMemberBefore.size(), p.size - kMemberBefore.size()};
    }

    // The school's name, escaped, of a group or subject code that a line of
    // the check names (of the plan or of the timetable); none where the
    // school's file has none.
    std::optional<std::string_view> groupName(std::string_view code) const;
    std::optional<std::string_view> subjectName(std::string_view code) const;

private:
    // The names of the plan's codes that the timetable lacks.
    struct Names {
        CodeSet codes;
        std::vector<std::optional<std::string>> names; // by the code's id, escaped
    };
    // The pieces of a set's codes, with the sizes of their shown names once escaped.
    std::vector<Piece> piecesOf(const CodeSet& codes, const std::vector<const std::string_view*>& names,
                                const std::vector<std::size_t>& escaped, std::string_view before,
                                std::string_view after);
    static std::optional<std::string_view> find(const Names& names, std::string_view code);

    const Timetable& timetable_;
    std::string text_;
    std::vector<Piece> subjects_, types_;       // each between kActivityBefore and kActivityAfter
    std::array<std::vector<Piece>, 3> members_; // by Axis, each after kMemberBefore
    std::vector<Piece> times_;
    Piece noActivity_;
    Piece noMember_;
    Names planGroups_, planSubjects_;
};

} // namespace vinculor::timetable
