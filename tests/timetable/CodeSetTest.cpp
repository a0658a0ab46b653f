#include "timetable/CodeSet.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vinculor::timetable {
namespace {

using namespace std::string_view_literals;

TEST(CodeSetTest, EachCodeKeepsTheIdOfItsFirstSightThroughEveryGrowth) {
    // Codes that are prefixes of one another, one that is two others side by
    // side, a long one, one with a zero byte, and many short ones that crowd
    // the table into long probe runs and make it grow many times.
    std::vector<std::string> codes = {
        "A", "AA", "AAA", "B", "AB", std::string(100000, 'L'), std::string("X\0Y", 3), "X", "a"};
    for (int i = 0; i < 50000; ++i) {
        codes.push_back("G" + std::to_string(i));
    }
    CodeSet set;
    EXPECT_EQ(set.find("A"), kNone); // nothing added yet
    for (std::size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(set.id(codes[i]), i) << codes[i].substr(0, 20);
        ASSERT_EQ(set.id(codes[i / 2]), i / 2); // an old code again adds nothing
    }
    ASSERT_EQ(set.size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(set.find(codes[i]), i) << codes[i].substr(0, 20);
        ASSERT_EQ(set.code(static_cast<std::uint32_t>(i)), codes[i]);
    }
    for (const std::string_view absent : {""sv, "AAAA"sv, "BA"sv, "X\0"sv, "G50000"sv, "g1"sv, "A "sv}) {
        EXPECT_EQ(set.find(absent), kNone) << absent;
    }
    EXPECT_EQ(set.id(""), kNone); // the empty code is no code
    EXPECT_EQ(set.size(), codes.size());
}

TEST(CodeSetTest, ARecordKeyLooksAtItsCodeOnlyTheFirstTime) {
    CodeSet set;
    EXPECT_EQ(set.idAt(5, "P1"), 0u);
    EXPECT_EQ(set.idAt(5, "ignored"), 0u); // the key decides from now on
    EXPECT_EQ(set.find("ignored"), kNone);
    EXPECT_EQ(set.idAt(0, "P1"), 0u); // another record with the same code
    EXPECT_EQ(set.idAt(9, "P2"), 1u);
    EXPECT_EQ(set.idAt(7, ""), kNone);
    EXPECT_EQ(set.id("P2"), 1u);
    EXPECT_EQ(set.size(), 2u);
}

} // namespace
} // namespace vinculor::timetable
