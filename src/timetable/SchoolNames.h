#pragma once

#include "xml/XmlFamilies.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vinculor::timetable {

// What the timetable document takes from the school's own file: the school,
// the names of its subjects, activity types, teachers, rooms and groups, and
// the hours it planned for each subject of each group. All of the file's
// reading for the document is here.
class SchoolNames {
public:
    // A subject of a group and its planned time, as views into texts these
    // names keep (one buffer for all the plan's lines).
    struct Planned {
        std::string_view group;   // the code Horavia knows the group by
        std::string_view subject; // the school's code
        std::string_view hours;   // "Horas" as the file gives it, "03,00"
        int sessions = -1;        // the sessions that time makes; -1 when "Horas" is no number
    };

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

    // The name of a code, or nullptr where the file has none. A code is also
    // found by the first characters that Horavia's tables keep of it, and a
    // teacher's or group's by the code the export gave it there.
    const std::string* subject(std::string_view code) const { return find(subjects_, code); }
    const std::string* activityType(std::string_view code) const { return find(activityTypes_, code); }
    const std::string* teacher(std::string_view code) const { return find(teachers_, code); }
    const std::string* room(std::string_view code) const { return find(rooms_, code); }
    const std::string* group(std::string_view code) const { return find(groups_, code); }

    // Adds a name (the first one of a code stays), under the code and under
    // its first `width` characters, the part of it that a table field keeps.
    enum class Kind { Subject, ActivityType, Teacher, Room, Group };
    void addName(Kind kind, std::string_view code, std::string_view name);

    // The sessions that a "Horas" text makes, given the school's first three
    // session lengths in minutes, as the export turns it into Horavia's hours.
    static int sessionsOf(std::string_view hours, const int lengths[3]);

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Names = std::unordered_map<std::string, std::string, Hash, std::equal_to<>>;
    static const std::string* find(const Names& names, std::string_view code);

    Names subjects_, activityTypes_, teachers_, rooms_, groups_;
    std::vector<std::string> groupCodes_; // the code Horavia knows each group of the file by
    std::vector<char> planTexts_;         // the plan's subject codes and "Horas", one after another
};

} // namespace vinculor::timetable
