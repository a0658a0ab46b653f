#include "timetable/HtmlWriter.h"
#include "timetable/SchoolNames.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vinculor::timetable {
namespace {

TEST(HtmlWriterTest, TextIsEscapedAndMarkupIsNot) {
    const std::pair<std::string, std::string> cases[] = {
        {"Matemáticas", "Matemáticas"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"Física & Química", "Física &amp; Química"},
        {"\"comillas\" y 'apóstrofos'", "&quot;comillas&quot; y &#39;apóstrofos&#39;"},
        {"&amp;", "&amp;amp;"},
        {std::string("a\x01"
                     "b\x7f"
                     "c\td",
                     7),
         "abc d"},
        {"dos\nlíneas\r\n", "dos líneas  "},
        {"", ""},
    };
    for (const auto& [text, html] : cases) {
        EXPECT_EQ(EscapedText(text).html(), html) << text;
        EXPECT_EQ(escapedSize(text), html.size()) << text;
    }

    std::string written;
    std::vector<std::size_t> pieces;
    HtmlWriter out(
        [&](std::string_view piece) {
            written += piece;
            pieces.push_back(piece.size());
        },
        16);
    out.markup("<p title=\"").text("a\"b").markup("\">").text("<x>").markup("</p>").number(1234567);
    out.markup("<p>").text(EscapedText("1 < 2")).markup("</p>");
    out.finish();
    EXPECT_EQ(written, "<p title=\"a&quot;b\">&lt;x&gt;</p>1234567<p>1 &lt; 2</p>");
    // Handed on a large piece at a time, not call by call.
    EXPECT_LT(pieces.size(), 5u);
}

TEST(HtmlWriterTest, MarkupWrittenStraightIntoTheBufferMayExceedAPiece) {
    std::string written;
    HtmlWriter out([&](std::string_view piece) { written += piece; }, 16);
    out.markup("<p>");
    // A grid's row of many entries: far more than a piece and than the buffer.
    const std::string row(10000, 'x');
    char* at = out.reserve(row.size() + 5);
    std::memcpy(at, row.data(), row.size());
    std::memcpy(at + row.size(), "</p>", 4);
    out.commit(at + row.size() + 4);
    out.markup("<p>").text("&").markup("</p>");
    out.finish();
    EXPECT_EQ(written, "<p>" + row + "</p><p>&amp;</p>");
}

TEST(SchoolNamesTest, PlannedHoursBecomeSessionsAsTheExportCountsThem) {
    const int mixed[3] = {55, 30, 60};
    const int one[3] = {55, 55, 0};
    const int none[3] = {0, 0, 0};
    struct Case {
        const char* hours;
        const int* lengths;
        int sessions;
    };
    const Case cases[] = {
        {"03,00", mixed, 3}, {"00,00", mixed, 1}, {"20,00", mixed, 20}, {"02,50", mixed, 5},
        {"01,30", mixed, 2}, {"02,50", one, 3},   {"02,50", none, 3},   {"3", mixed, 6},
        {"tres", mixed, -1}, {"", mixed, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SchoolNames::sessionsOf(c.hours, c.lengths), c.sessions) << c.hours << " " << c.lengths[0];
    }
}

TEST(SchoolNamesTest, ThePlanKeepsEachGroupSubjectAndItsHoursOnceTheFileIsGone) {
    // Groups repeat subjects and "Horas"; a subject without a code is no plan
    // line; a line may have no "Horas", or "Horas" that are no number.
    std::vector<XmlFamilySpec> families = {{"/Centro", {"Codigo", "Nombre", "CursoEscolar"}}};
    families.insert(families.end(), SchoolNames::families().begin(), SchoolNames::families().end());
    const SchoolNames names = [&] {
        const XmlFamilies doc = XmlFamilies::fromBytes(R"(<Centro Codigo="1" Nombre="C" CursoEscolar="X">
          <Grupos>
            <Grupo Codigo="1ESO-A" Denominacion="Primero A"><MateriasGrupo>
              <MateriaGrupo Codigo="MAT" Horas="03,00"/><MateriaGrupo Codigo="LEN" Horas="03,00"/>
              <MateriaGrupo Codigo="" Horas="01,00"/><MateriaGrupo Codigo="TUT"/>
            </MateriasGrupo></Grupo>
            <Grupo Codigo="1ESO-B" Denominacion="Primero B"><MateriasGrupo>
              <MateriaGrupo Codigo="MAT" Horas="01,30"/><MateriaGrupo Codigo="LEN" Horas="tres"/>
              <MateriaGrupo Codigo="MAT" Horas="03,00"/>
            </MateriasGrupo></Grupo>
          </Grupos></Centro>)",
                                                       families);
        return SchoolNames::read(doc);
    }();
    struct Line {
        std::string_view group, subject, hours;
        int sessions;
    };
    const Line expected[] = {{"1ESO-A", "MAT", "03,00", 3}, {"1ESO-A", "LEN", "03,00", 3},
                             {"1ESO-A", "TUT", "", -1},     {"1ESO-B", "MAT", "01,30", 2},
                             {"1ESO-B", "LEN", "tres", -1}, {"1ESO-B", "MAT", "03,00", 3}};
    ASSERT_EQ(names.planned.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const SchoolNames::Planned& p = names.planned[i];
        EXPECT_EQ(names.plannedGroup(p), expected[i].group) << i;
        EXPECT_EQ(names.plannedSubject(p), expected[i].subject) << i;
        EXPECT_EQ(names.plannedHours(p), expected[i].hours) << i;
        EXPECT_EQ(names.plannedSessions(p), expected[i].sessions) << i;
    }
    ASSERT_NE(names.group("1ESO-B"), nullptr);
    EXPECT_EQ(*names.group("1ESO-B"), "Primero B");
}

TEST(SchoolNamesTest, ACodeIsFoundWholeAndByThePartHoravisTablesKeep) {
    SchoolNames names;
    names.addName(SchoolNames::Kind::Subject, "MATEMATICAS1", "Matemáticas I");
    names.addName(SchoolNames::Kind::Subject, "MATEMATICAS2", "Matemáticas II");
    names.addName(SchoolNames::Kind::Room, "LABORATORIO-DE-FISICA-1", "Laboratorio");
    ASSERT_NE(names.subject("MATEMATICAS2"), nullptr);
    EXPECT_EQ(*names.subject("MATEMATICAS2"), "Matemáticas II");
    // The first of two codes that share their first ten characters names them.
    ASSERT_NE(names.subject("MATEMATICA"), nullptr);
    EXPECT_EQ(*names.subject("MATEMATICA"), "Matemáticas I");
    EXPECT_NE(names.room("LABORATORIO-DE-FISIC"), nullptr); // twenty characters
    EXPECT_EQ(names.room("LABORATORIO-DE-FISI"), nullptr);
    EXPECT_EQ(names.teacher("MATEMATICAS1"), nullptr);
}

TEST(SchoolNamesTest, ManyNamesAndOneLongerThanAChunkStayReadableOnceTheNamesAreMoved) {
    SchoolNames names;
    const std::string longName(200000, 'n');
    constexpr int kTeachers = 20000; // their texts fill several chunks
    for (int i = 0; i < kTeachers; ++i) {
        names.addName(SchoolNames::Kind::Teacher, "P" + std::to_string(i),
                      "Profesor número " + std::to_string(i));
        if (i == kTeachers / 2) {
            names.addName(SchoolNames::Kind::Room, "LARGA", longName);
        }
    }
    const SchoolNames moved = std::move(names);
    for (int i = 0; i < kTeachers; ++i) {
        const std::string_view* name = moved.teacher("P" + std::to_string(i));
        ASSERT_NE(name, nullptr) << i;
        ASSERT_EQ(*name, "Profesor número " + std::to_string(i));
    }
    ASSERT_NE(moved.room("LARGA"), nullptr);
    EXPECT_EQ(*moved.room("LARGA"), longName);
}

} // namespace
} // namespace vinculor::timetable
