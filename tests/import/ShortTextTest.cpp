// ShortText read from a field's bytes must be the field's text as stored:
// the bytes that follow the field never count, and only the blanks and
// zeros that end it are dropped.
#include "import/ShortText.h"

#include <gtest/gtest.h>
#include <string>

namespace vinculor::importing {
namespace {

struct FieldCase {
    std::string record; // the field first, then what follows it
    std::size_t width;
    std::string text;
};

TEST(ShortText, AFieldReadsAsItsTextWithoutWhatEndsItOrFollowsIt) {
    const FieldCase cases[] = {
        {"FRA1      CCM", 10, "FRA1"},
        {"          XYZ", 10, ""},
        {std::string("AB\0\0 \0    Q", 11), 10, "AB"},                // blanks and zeros mixed at the end
        {std::string("A\0B       ", 10), 10, std::string("A\0B", 3)}, // a zero inside stays
        {" A        ", 10, " A"},                                     // blanks ahead stay
        {"ABCDEFGH  ", 10, "ABCDEFGH"},                               // ends at the first word's end
        {"ABCDEFGHI ", 10, "ABCDEFGHI"},                              // one byte into the second word
        {"ABCDEFGHIJKLMNOPQRS", 16, "ABCDEFGHIJKLMNOP"},              // the widest
        {"ABCDEFGHIJKLMNO QRS", 16, "ABCDEFGHIJKLMNO"},
        {"ABCXYZ", 3, "ABC"},
        {"XYZ", 0, ""},
        {"\xD1U\xD1O      ", 10, "\xD1U\xD1O"}, // bytes past ASCII are kept as they are
    };
    for (const FieldCase& c : cases) {
        std::string bytes = c.record;
        bytes.resize(c.record.size() + ShortText::kMax, 'Z'); // room to read, never part of the text
        const ShortText read = ShortText::ofField(bytes.data(), c.width);
        EXPECT_EQ(read.size(), c.text.size()) << c.record;
        EXPECT_TRUE(read == ShortText::of(c.text)) << c.record;
        EXPECT_EQ(read.hash(), ShortText::of(c.text).hash()) << c.record;
        EXPECT_EQ(read.ascii(), c.text.find_first_of("\xD1") == std::string::npos) << c.record;
    }
}

TEST(ShortText, TextsThatDifferAnywhereAreUnequal) {
    const std::string base = "ABCDEFGHIJKLMNOP";
    for (std::size_t i = 0; i < base.size(); ++i) {
        std::string other = base;
        other[i] = 'z';
        EXPECT_FALSE(ShortText::of(base) == ShortText::of(other)) << i;
        EXPECT_FALSE(ShortText::of(base.substr(0, i)) == ShortText::of(base.substr(0, i + 1))) << i;
    }
    // A zero is a byte like any other: not the end of the text.
    EXPECT_FALSE(ShortText::of("A") == ShortText::of(std::string("A\0", 2)));
}

} // namespace
} // namespace vinculor::importing
