#pragma once

#include "timetable/CodeSet.h"
#include "xml/XmlFamilies.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor::timetable {

// What the timetable document takes from the school's own file: the school,
// the names of its subjects, activity types, teachers, rooms and groups, and
// the hours it planned for each subject of each group. All of the file's
// reading for the document is here.
class SchoolNames {
public:
    // A subject of a group and its planned time, kept small (a large school
    // plans hundreds of thousands): read through plannedGroup(),
    // plannedSubject(), plannedHours() and plannedSessions().
    struct Planned {
        std::uint32_t group;   // the group's place in the file; kNoGroup for none
        std::uint32_t subject; // its subject's code among the plan's subject codes
        std::uint32_t hours;   // its "Horas" among the plan's distinct ones; kNone for none
    };
    static constexpr std::uint32_t kNoGroup = 0xFFFFFFFF;

    // The element families (beyond "/Centro" with "Codigo", "Nombre" and
    // "CursoEscolar", which a reading asks for anyway) that read() takes.
    static const std::vector<XmlFamilySpec>& families();
    // Reads what one pass over the school's file kept of those families and
    // of "/Centro".
    static SchoolNames read(const XmlFamilies& doc);

    std::string schoolCode;
    std::string schoolName;
    std::string schoolYear;
    std::vector<Planned> planned; // in the file's order
    // The code Horavia knows a plan line's group by; the school's code of its
    // subject; its "Horas" as the file gives it, "03,00".
    std::string_view plannedGroup(const Planned& p) const {
        return p.group == kNoGroup ? std::string_view() : std::string_view(groupCodes_[p.group]);
    }
    std::string_view plannedSubject(const Planned& p) const { return planSubjects_.code(p.subject); }
    std::string_view plannedHours(const Planned& p) const {
        return p.hours == kNone ? std::string_view() : planHours_.code(p.hours);
    }
    // The sessions that its time makes; -1 when "Horas" is no number.
    int plannedSessions(const Planned& p) const { return p.hours == kNone ? -1 : hoursSessions_[p.hours]; }

    // The name of a code, or nullptr where the file has none. A code is also
    // found by the first characters that Horavia's tables keep of it, and a
    // teacher's, room's or group's by the code the export gave it there.
    const std::string_view* subject(std::string_view code) const { return find(subjects_, code); }
    const std::string_view* activityType(std::string_view code) const { return find(activityTypes_, code); }
    const std::string_view* teacher(std::string_view code) const { return find(teachers_, code); }
    const std::string_view* room(std::string_view code) const { return find(rooms_, code); }
    const std::string_view* group(std::string_view code) const { return find(groups_, code); }

    // Lets go of the names of codes, once what the document shows of them is
    // kept apart (ShownNames): the lookups above find none from then on. The
    // school's code, name and year and its plan stay.
    void forgetNames();
    // Lets go of the plan, once the check has compared the timetable with it:
    // planned is empty from then on.
    void forgetPlan();

    // Adds a name (the first one of a code stays), under the code and under
    // its first `width` characters, the part of it that a table field keeps.
    enum class Kind { Subject, ActivityType, Teacher, Room, Group };
    void addName(Kind kind, std::string_view code, std::string_view name);

    // The sessions that a "Horas" text makes, given the school's first three
    // session lengths in minutes, as the export turns it into Horavia's hours.
    static int sessionsOf(std::string_view hours, const int lengths[3]);

private:
    // The codes of one kind and each one's name, a view into texts kept in
    // chunks that never move: a large school has hundreds of thousands,
    // mostly short.
    struct Names {
        CodeSet codes;
        std::vector<std::string_view> names; // by the code's id
    };
    static const std::string_view* find(const Names& names, std::string_view code);
    std::string_view kept(std::string_view text);

    Names subjects_, activityTypes_, teachers_, rooms_, groups_;
    std::vector<std::string> groupCodes_;         // the code Horavia knows each group of the file by
    CodeSet planSubjects_, planHours_;            // few distinct ones, repeated by every group
    std::vector<int> hoursSessions_;              // by the id of a "Horas"
    std::vector<std::unique_ptr<char[]>> chunks_; // the names' texts
    char* free_ = nullptr;                        // in the last chunk
    std::size_t room_ = 0;                        // bytes left there
};

} // namespace vinculor::timetable
