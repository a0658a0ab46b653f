#include "text/Json.h"

#include <gtest/gtest.h>

namespace vinculor::json {
namespace {

TEST(JsonQuote, EscapesWhatJsonRequiresAndNeverLetsABadByteThrough) {
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"plain", "PROFT", "\"PROFT\""},
        {"quotes, backslash, controls", "a\"b\\c\n\t\x01", "\"a\\\"b\\\\c\\n\\t\\u0001\""},
        {"UTF-8 of two, three and four bytes", "Ñ€😀", "\"Ñ€😀\""},
        {"a Latin-1 byte", "a\xF1o", "\"a\\ufffdo\""},
        {"a lone continuation byte", "\x80", "\"\\ufffd\""},
        {"an overlong slash", "\xC0\xAF", "\"\\ufffd\\ufffd\""},
        {"a surrogate", "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
        {"cut short at the end", "x\xE2\x82", "\"x\\ufffd\\ufffd\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(quote(c.in), c.out) << c.what;
    }
}

} // namespace
} // namespace vinculor::json
