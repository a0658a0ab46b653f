#include "text/Text.h"

#include "base/Error.h"
#include "text/CodePage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace vinculor::text {
namespace {

TEST(Trim, RemovesEveryControlAndBlankAtBothEndsOnly) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"  lengua  ", "lengua"},
        {"\t\r\n MAT \x01\x1f", "MAT"},
        {"a b", "a b"},
        {" Educación Física\n", "Educación Física"},
        {"\xC2\xA0x", "\xC2\xA0x"}, // a no-break space is above 32: kept
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim(c.in), c.out) << "input '" << c.in << "'";
    }
}

TEST(Characters, CountAndCutByCharacterNotByte) {
    EXPECT_EQ(length("Año"), 3u);
    EXPECT_EQ(left("Plástica", 3), "Plá");
    EXPECT_EQ(left("ab", 10), "ab");
    EXPECT_EQ(right("MATEMATICAS1", 2), "S1");
    EXPECT_EQ(right("Ñandú", 2), "dú");
    EXPECT_EQ(right("x", 2), "x");
    EXPECT_EQ(mid("108:0008:55", 2, 5), "08:00");
    EXPECT_EQ(mid("1Miércoles", 4, 3), "érc");
    EXPECT_EQ(mid("abc", 3, 5), "c");
    EXPECT_EQ(mid("abc", 7, 2), "");
}

TEST(CodePage1252, RoundTripsSpanishTextAndMarksWhatItLacks) {
    EXPECT_EQ(utf8ToCp1252("Educación Física Año Ñ º €"), "Educaci\xF3n F\xEDsica A\xF1o \xD1 \xBA \x80");
    EXPECT_EQ(cp1252ToUtf8("Educaci\xF3n F\xEDsica A\xF1o \xD1 \xBA \x80"), "Educación Física Año Ñ º €");
    EXPECT_EQ(utf8ToCp1252("Ελληνικά 中"), "???????? ?");
    EXPECT_EQ(utf8ToCp1252("bad \xFF byte"), "bad ? byte");
    EXPECT_EQ(cp1252ToUtf8("\x81"), "\xC2\x81");

    EXPECT_EQ(firstOutsideCp1252("Educación Física Año Ñ º € Œ ž"), "");
    EXPECT_EQ(firstOutsideCp1252("JŁ Ć"), "Ł");
    EXPECT_EQ(firstOutsideCp1252("ab中"), "中");
    EXPECT_EQ(firstOutsideCp1252("a\xFF"), "\xFF");
    // Past the first eight bytes, and past sixteen.
    EXPECT_EQ(firstOutsideCp1252("ABCDEFGHŁ"), "Ł");
    EXPECT_EQ(firstOutsideCp1252("ABCDEFGHIJKLMNOPQ\u200b"), "\u200b");
    EXPECT_EQ(firstOutsideCp1252("ABCDEFGHIJKLMNOPQRSTUVWXñ"), "");
}

TEST(Utf16, RoundTripsAndMarksWhatIsBroken) {
    const std::string text = "Año € 𝄞";
    for (const bool bigEndian : {false, true}) {
        const std::string bytes = utf8ToUtf16(text, bigEndian, false);
        EXPECT_EQ(bytes.size(), 2u * 8); // seven characters, and the clef takes a surrogate pair
        EXPECT_EQ(utf16ToUtf8(bytes, bigEndian), text);
    }
    EXPECT_EQ(utf8ToUtf16("A", false, true), std::string("\xFF\xFE"
                                                         "A\0",
                                                         4));
    EXPECT_EQ(utf16ToUtf8(std::string("\x00\xD8"
                                      "A\0",
                                      4),
                          false),
              "\uFFFDA");                                                // a lone high surrogate
    EXPECT_EQ(utf16ToUtf8(std::string("\x00\xDC", 2), false), "\uFFFD"); // a lone low surrogate
    EXPECT_EQ(utf16ToUtf8(std::string("A\0B", 3), false), "A\uFFFD");    // an odd last byte
}

// Tables that other programs wrote may name a DOS code page in their header.
TEST(DosCodePages, ReadSpanishTextAsTheNamedPageStoresIt) {
    struct Case {
        int codePage;
        std::string stored;
        std::string utf8;
    };
    const Case cases[] = {
        {850, "Sal\xA2n A\xA4o \xA5 \xA0\x82\xA1\xA2\xA3 \x81 \x87 \xA7\xA6 \xE9 \xD5",
         "Salón Año Ñ áéíóú ü ç ºª Ú ı"},
        {858, "\xD5 \xA2", "€ ó"},
        {437,
         "Espa\xA4"
         "a \xA5 \xA0\x82\xA1\xA2\xA3 \xE1",
         "España Ñ áéíóú ß"},
        {852, "\xA5 \xA0", "ą á"},
        {1252, "Sal\xF3n \x80", "Salón €"},
        {866, "Sal\xF3n", "Salón"}, // a page it does not know: read as 1252
        {850, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codePageToUtf8(c.stored, c.codePage), c.utf8) << c.codePage;
    }
    for (const int page : {437, 850, 852, 858, 1252}) {
        EXPECT_TRUE(isKnownCodePage(page)) << page;
        // Every byte is one character.
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string utf8 = codePageToUtf8(std::string(1, static_cast<char>(b)), page);
            EXPECT_TRUE(isValidUtf8(utf8) && length(utf8) == 1) << page << " " << b;
        }
    }
    EXPECT_FALSE(isKnownCodePage(866));
}

// Checked eight ASCII bytes at a time: a bad byte is found, and its offset
// given, wherever it falls in or across those words.
TEST(Utf8, ABadByteIsFoundAtEveryOffset) {
    for (std::size_t at = 0; at < 24; ++at) {
        for (const std::string bad : {"\xFF", "\xC3", "\xE2\x82", "\xC0\xAF"}) {
            std::string text(24, 'a');
            text.replace(at, bad.size(), bad);
            std::size_t offset = 99;
            EXPECT_FALSE(isValidUtf8(text, &offset)) << at;
            EXPECT_EQ(offset, at);
        }
        std::string good(24, 'a');
        good.replace(at, 3, "\xE2\x82\xAC"); // one euro sign across a word's end
        EXPECT_TRUE(isValidUtf8(good)) << at;
    }
}

TEST(CaseFolding, FoldsLetterCaseOfSpanishLettersButKeepsAccents) {
    struct Case {
        std::string a, b;
        bool same;
    };
    const Case cases[] = {
        {"ab", "AB", true},       {"a1", "A1", true},       {"ñ", "Ñ", true},  {"Á", "á", true},
        {"ÉXITO", "éxito", true}, {"a", "á", false},        {"n", "ñ", false}, {"ab", "ab ", false},
        {"Ü", "ü", true},         {"ŒUVRE", "œuvre", true}, {"×", "÷", false}, {"", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsIgnoreCase(c.a, c.b), c.same) << c.a << " vs " << c.b;
    }
}

TEST(Numbers, FormatWithoutLeadingZerosOrBlanks) {
    EXPECT_EQ(formatInteger(0), "0");
    EXPECT_EQ(formatInteger(-30), "-30");
    EXPECT_EQ(formatDecimal(3.0), "3");
    EXPECT_EQ(formatDecimal(2.5), "2.5");
    EXPECT_EQ(formatDecimal(-0.125), "-0.125");
    EXPECT_EQ(formatDecimal(0.1), "0.1");
}

TEST(Numbers, DecimalTextIsTheShortestThatReadsBackWithoutAnExponent) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1 + 0.2, "0.30000000000000004"}, // fifteen digits would read back as 0.3
        {1e15 + 0.5, "1000000000000000.5"},
        {-0.0, "0"},
        {0.0001, "0.0001"},
        {1e-7, "0.0000001"},
        {1e20, "100000000000000000000"},
        {123456789.125, "123456789.125"},
        {2.0 / 3.0, "0.6666666666666666"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatDecimal(c.value), c.text);
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double value =
            std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 120) - 90);
        const std::string text = formatDecimal(value);
        double back = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
        ASSERT_EQ(back, value) << text;
        ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        // One significant digit fewer no longer reads back. (A whole number
        // past 2^53 is written whole: its exact digits are no longer.)
        std::string digits;
        std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                     [](char c) { return c >= '0' && c <= '9'; });
        digits.erase(0, digits.find_first_not_of('0'));
        digits.erase(digits.find_last_not_of('0') + 1);
        if (digits.size() >= 2 && std::fabs(value) < 0x1p53) {
            char shorter[64];
            std::snprintf(shorter, sizeof shorter, "%.*e", static_cast<int>(digits.size()) - 2, value);
            ASSERT_NE(std::strtod(shorter, nullptr), value) << text << " vs " << shorter;
        }
    }
}

TEST(Numbers, ParseIntegerAcceptsOnlyWholeNumbers) {
    EXPECT_EQ(parseInteger("08"), 8);
    EXPECT_EQ(parseInteger("-5"), -5);
    EXPECT_EQ(parseInteger(" 7"), 7);
    for (const char* bad : {"", "8a", "0:", "1.5", "x", "99999999999", " "}) {
        try {
            parseInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(Numbers, ParseDecimalTakesCommaOrPoint) {
    EXPECT_DOUBLE_EQ(parseDecimal("02,50"), 2.5);
    EXPECT_DOUBLE_EQ(parseDecimal("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(parseDecimal("3"), 3.0);
    EXPECT_DOUBLE_EQ(parseDecimal("-1,25"), -1.25);
    for (const char* bad : {"", "dos", "2,5,0", "2.5h", "inf", "nan", "1,2.3"}) {
        try {
            parseDecimal(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(bad) + "' is not a valid floating point value");
        }
    }
}

} // namespace
} // namespace vinculor::text
