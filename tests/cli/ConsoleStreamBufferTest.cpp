// What a Windows console receives from the command line: the UTF-8 text as
// UTF-16, whole characters only, however the text was cut into writes.
#include "cli/ConsoleStreamBuffer.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace vinculor::cli {
namespace {

struct Console {
    std::vector<std::u16string> writes;
    ConsoleStreamBuffer buffer{[this](std::u16string_view text) { writes.emplace_back(text); }};
    std::ostream stream{&buffer};

    std::u16string shown() const {
        std::u16string all;
        for (const std::u16string& w : writes) {
            all += w;
        }
        return all;
    }
};

TEST(ConsoleStreamBuffer, WritesEachLineAsUtf16) {
    Console console;
    console.stream << "Deberá Abrir el fichero XML\n";
    ASSERT_EQ(console.writes.size(), 1u);
    EXPECT_EQ(console.writes[0], u"Deberá Abrir el fichero XML\n");
    console.stream << "«NÚÑEZ» → ";
    EXPECT_EQ(console.writes.size(), 1u); // an unfinished line waits
    console.stream << "€ 𝄞" << std::flush;
    EXPECT_EQ(console.shown(), u"Deberá Abrir el fichero XML\n«NÚÑEZ» → € 𝄞");
}

TEST(ConsoleStreamBuffer, ACharacterCutBetweenWritesArrivesWhole) {
    const std::string text = "año 𝄞 «x»";
    for (std::size_t cut = 1; cut < text.size(); ++cut) {
        Console console;
        console.stream << text.substr(0, cut) << std::flush;
        console.stream << text.substr(cut) << std::flush;
        EXPECT_EQ(console.shown(), u"año 𝄞 «x»") << "cut at " << cut;
    }
}

TEST(ConsoleStreamBuffer, BytesThatAreNotUtf8ShowAsReplacementCharacters) {
    struct Case {
        std::string bytes;
        std::u16string shown;
    };
    const Case cases[] = {
        {"a\xF1o\n", u"a\uFFFDo\n"},                 // Latin-1
        {"\xC0\xAF\n", u"\uFFFD\uFFFD\n"},           // overlong
        {"\xED\xA0\x80\n", u"\uFFFD\uFFFD\uFFFD\n"}, // a surrogate
        {"\xE2\x82z\n", u"\uFFFDz\n"},               // cut short
        {"fin\xE2\x82", u"fin\uFFFD"},               // unfinished at the end
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> writes;
        {
            ConsoleStreamBuffer buffer([&writes](std::u16string_view text) { writes.emplace_back(text); });
            std::ostream stream(&buffer);
            stream << c.bytes;
        }
        std::u16string shown;
        for (const std::u16string& w : writes) {
            shown += w;
        }
        EXPECT_EQ(shown, c.shown) << c.bytes;
    }
}

} // namespace
} // namespace vinculor::cli
