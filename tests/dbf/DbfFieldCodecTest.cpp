#include "dbf/DbfFieldCodec.h"

#include "base/Error.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vinculor {
namespace {

// What a numeric field of that width and decimals must hold: printf's "%.*f"
// right-aligned, with fewer decimals where the whole part needs the room;
// none when even no decimals do not fit.
std::optional<std::string> printfNumber(double value, int width, int decimals) {
    if (value == 0) {
        value = 0; // no "-0.00"
    }
    for (int d = decimals; d >= 0; --d) {
        char buffer[512];
        const int n = std::snprintf(buffer, sizeof buffer, "%.*f", d, value);
        if (n <= width) {
            return std::string(static_cast<std::size_t>(width - n), ' ') + buffer;
        }
    }
    return std::nullopt;
}

std::optional<std::string> written(double value, int width, int decimals) {
    const FieldInfo info{"HORAS", DbfType::Numeric, width, decimals, 1};
    std::string field(static_cast<std::size_t>(width), '#');
    try {
        DbfFieldCodec::setDouble(info, field.data(), value, "PRUEBA");
    } catch (const Error&) {
        return std::nullopt;
    }
    return field;
}

// Values of every kind a numeric field meets: whole numbers, values with as
// many decimals as the field, more decimals than it has, halves that printf
// rounds to even, and values near the limits of exact scaling.
std::vector<double> sampleValues() {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  3,
                                  2.5,
                                  -0.125,
                                  0.125,
                                  0.375,
                                  1.005,
                                  0.1,
                                  0.30000000000000004,
                                  9999999.123456789,
                                  -9999999.123456789,
                                  4503599627370495.5,
                                  9007199254740993.0,
                                  123456789012.5,
                                  1e15 + 0.5,
                                  99999999.99999999,
                                  -1e17,
                                  1e-9,
                                  5e-10};
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<int> decimals(0, 9);
    std::uniform_real_distribution<double> magnitude(-10, 10);
    for (int i = 0; i < 4000; ++i) {
        // k / 10^d: what a step writes.
        const double scale = std::pow(10.0, decimals(random));
        values.push_back(std::round(magnitude(random) * 1e6) / scale);
        // Any double of moderate size.
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 60)) *
                         (random() % 2 == 0 ? 1 : -1));
    }
    return values;
}

TEST(NumericFieldText, IsWhatPrintfWritesAtEveryWidthAndDecimals) {
    const std::vector<double> values = sampleValues();
    const std::vector<std::pair<int, int>> shapes = {{1, 0},  {4, 1},  {6, 2},  {10, 0},  {10, 4},
                                                     {12, 9}, {18, 8}, {20, 9}, {20, 15}, {20, 2}};
    for (const auto& [width, decimals] : shapes) {
        int differences = 0;
        for (const double value : values) {
            const auto expected = printfNumber(value, width, decimals);
            const auto actual = written(value, width, decimals);
            if (expected != actual && ++differences <= 5) {
                ADD_FAILURE() << "N " << width << "." << decimals << " of " << std::hexfloat << value
                              << std::defaultfloat << ": printf gives «" << expected.value_or("(no cabe)")
                              << "», the field «" << actual.value_or("(no cabe)") << "»";
            }
        }
        EXPECT_EQ(differences, 0) << "N " << width << "." << decimals;
    }
}

TEST(NumericFieldText, AValueBeyondTheDoublesExactWholeNumbersKeepsItsDigits) {
    // Scaled by 10^9 it is past 2^53, where every double is a whole number.
    EXPECT_EQ(written(9999999.123456789, 20, 9).value(), "   9999999.123456789");
    EXPECT_EQ(written(-9999999.123456789, 20, 9).value(), "  -9999999.123456789");
}

TEST(NumericFieldText, ReadsBackAsTheShortestTextOfTheValueWritten) {
    const FieldInfo info{"HORAS", DbfType::Numeric, 20, 17, 1};
    std::string field(20, ' ');
    DbfFieldCodec::setDouble(info, field.data(), 0.30000000000000004, "PRUEBA");
    EXPECT_EQ(DbfFieldCodec::text(info, field.data()), "0.30000000000000004");
    DbfFieldCodec::setDouble(info, field.data(), 2.5, "PRUEBA");
    EXPECT_EQ(DbfFieldCodec::text(info, field.data()), "2.5");
    DbfFieldCodec::setDouble(info, field.data(), -0.0, "PRUEBA");
    EXPECT_EQ(DbfFieldCodec::text(info, field.data()), "0");
}

// Another program's table may hold any number where a whole one is read: it
// is rounded, and what is not a number or does not fit in 32 bits is refused.
TEST(WholeNumberRead, RoundsNumbersAndRefusesWhatDoesNotFit) {
    struct Case {
        DbfType type;
        std::string stored; // text of an N field; the value of an O field
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {DbfType::Numeric, "        ", 0},
        {DbfType::Numeric, "   12.50", 13},
        {DbfType::Numeric, "  -12.50", -13},
        {DbfType::Numeric, "      +7", 7},
        {DbfType::Numeric, "     12a", std::nullopt},
        {DbfType::Numeric, "2.15e+09", std::nullopt},
        {DbfType::Numeric, "-2.1e+09", -2100000000},
        {DbfType::Double, "2.5", 3},
        {DbfType::Double, "-2147483648.4", INT32_MIN},
        {DbfType::Double, "2147483647.5", std::nullopt},
        {DbfType::Double, "1e300", std::nullopt},
    };
    for (const Case& c : cases) {
        const FieldInfo info{"NUM", c.type, 8, 2, 1};
        std::string field = c.stored;
        if (c.type == DbfType::Double) {
            field.assign(8, '\0');
            DbfFieldCodec::setDouble(info, field.data(), std::stod(c.stored), "PRUEBA");
        }
        std::optional<std::int32_t> read;
        try {
            read = DbfFieldCodec::toInt(info, field.data());
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(read, c.expected) << letterOf(c.type) << " «" << c.stored << "»";
    }
}

// Text goes into another program's table only where that table's code page
// holds it as this program writes it.
TEST(TextWrite, AnotherCodePagesTableTakesAsciiOnly) {
    const FieldInfo info{"AULA", DbfType::Character, 8, 0, 1, 850};
    std::string field(8, '#');
    DbfFieldCodec::setText(info, field.data(), "GIM", "SOLUC");
    EXPECT_EQ(field, "GIM     ");
    try {
        DbfFieldCodec::setText(info, field.data(), "Salón", "SOLUC");
        ADD_FAILURE() << "escrito: " << field;
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Vinculor no sabe escribir «Salón» en el campo AULA de la tabla SOLUC, que "
                  "guarda su texto en la página de códigos 850.");
    }
    EXPECT_EQ(field, "GIM     ");
}

} // namespace
} // namespace vinculor
