#include "dbf/MdxIndex.h"

#include "dbf/Table.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::TempDir;

const fs::path kReference = fs::path(VINCULOR_REFERENCE_DIR) / "dbase";

std::string hex(const MdxIndex::Key& key) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : key) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

TEST(MdxKeys, PackedDecimalForm) {
    struct Case {
        const char* value;
        const char* key;
    };
    const Case cases[] = {
        {"0", "340100000000000000000000"},
        {"1", "350910000000000000000000"},
        {"10", "360910000000000000000000"},
        {"12", "360912000000000000000000"},
        {"100", "370910000000000000000000"},
        {"123", "371112300000000000000000"},
        {"12345", "391912345000000000000000"},
        {"1000000", "3B0910000000000000000000"},
        {"2147483647", "3E2921474836470000000000"},
        {"-1", "358910000000000000000000"},
        {"-12345", "399912345000000000000000"},
        {"-2147483647", "3EA921474836470000000000"},
        {"2.50000000", "350925000000000000000000"},
        {"0.5", "340950000000000000000000"},
        {"0.05", "330950000000000000000000"},
        {"-0.00", "340100000000000000000000"},
        {"", "340100000000000000000000"},
        {"abc", "340100000000000000000000"},
        {"123456789.125", "3D3112345678912500000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hex(MdxIndex::numericKey(c.value)), c.key) << c.value;
    }
}

// Every key TDbf wrote into the two-level XKEYTEST index is the key we make
// from that record's value.
TEST(MdxKeys, SameAsEveryKeyInTDbfsIndex) {
    const std::string mdx = readText(kReference / "XKEYTEST.MDX");
    TempDir dir;
    fs::copy_file(kReference / "XKEYTEST.DBF", dir / "XKEYTEST.DBF");
    fs::copy_file(kReference / "XKEYTEST.MDX", dir / "XKEYTEST.MDX");
    Table table(dir.path(), "XKEYTEST");
    table.open();
    std::vector<std::string> values;
    for (table.first(); !table.eof(); table.next()) {
        values.push_back(table.getText("N"));
    }
    int checked = 0;
    for (std::uint32_t page : {8u, 12u}) { // the two leaves
        const std::size_t at = page * 512;
        const auto n = static_cast<std::uint32_t>(static_cast<unsigned char>(mdx[at]));
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::size_t entry = at + 8 + 16 * i;
            std::uint32_t record = 0;
            std::memcpy(&record, mdx.data() + entry, 4);
            MdxIndex::Key stored{};
            std::memcpy(stored.data(), mdx.data() + entry + 4, 12);
            const std::string& value = values.at(record - 1);
            EXPECT_EQ(hex(MdxIndex::numericKey(value.empty() ? "0" : value)), hex(stored))
                << "record " << record;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 96);
}

const std::vector<FieldDef> kCountses = {{"DURACION", FieldType::Character, 10},
                                         {"NSES", FieldType::Integer, 0}};

// Our COUNTSES, filled with the reference records, is TDbf's file byte for
// byte; only the dates differ (the day the files were made).
TEST(MdxFile, CountsesIsByteForByteTheReference) {
    TempDir dir;
    Table table(dir.path(), "COUNTSES");
    table.create(kCountses, IndexDef{"NSES", "NSES"});
    table.open();
    for (auto [duracion, nses] :
         {std::pair{"55", 25}, {"30", 5}, {"60", 12}, {"50", 3}, {"45", 1}, {"100", 3}, {"-5", 10}}) {
        table.append();
        table.setText("DURACION", duracion);
        table.setInt("NSES", nses);
        table.post();
    }
    table.close();

    const auto sameButDates = [](std::string ours, std::string theirs,
                                 std::initializer_list<std::size_t> dates) {
        ASSERT_EQ(ours.size(), theirs.size());
        for (std::size_t at : dates) {
            ours.replace(at, 3, "ddd");
            theirs.replace(at, 3, "ddd");
        }
        for (std::size_t i = 0; i < ours.size(); ++i) {
            ASSERT_EQ(ours[i], theirs[i]) << "first difference at byte " << i;
        }
    };
    sameButDates(readText(dir / "COUNTSES.DBF"), readText(kReference / "COUNTSES.DBF"), {1});
    sameButDates(readText(dir / "COUNTSES.MDX"), readText(kReference / "COUNTSES.MDX"), {1, 44});
}

TEST(MdxFile, NewEmptyIndexHasAnEmptyRoot) {
    TempDir dir;
    Table table(dir.path(), "COUNTSES");
    table.create(kCountses, IndexDef{"NSES", "NSES"});
    const std::string dbf = readText(dir / "COUNTSES.DBF");
    EXPECT_EQ(dbf[28], 0x01);
    const std::string mdx = readText(dir / "COUNTSES.MDX");
    EXPECT_EQ(mdx.size(), 10u * 512);
    EXPECT_TRUE(MdxIndex::walk(mdx).empty());
    const auto tag = MdxIndex::readRebuildableTag(mdx);
    ASSERT_TRUE(tag.has_value());
    EXPECT_EQ(tag->name, "NSES");
    EXPECT_EQ(tag->expression, "NSES");
}

// Record numbers ordered as the index must give them: by value, equal values
// by record number; null counts as 0.
std::vector<std::uint32_t> expectedOrder(const std::vector<std::optional<int>>& values) {
    std::vector<std::uint32_t> order(values.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = i + 1;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return values[a - 1].value_or(0) < values[b - 1].value_or(0);
    });
    return order;
}

class MdxTree : public ::testing::TestWithParam<int> {};

// Trees of one leaf, of one inner level and of two: the walk from the root
// gives every record once, in order, and no node holds more than it may.
TEST_P(MdxTree, WalksInKeyOrderForAnySize) {
    const int count = GetParam();
    std::mt19937 random(static_cast<unsigned>(count));
    std::vector<std::optional<int>> values;
    TempDir dir;
    Table table(dir.path(), "COUNTSES");
    table.create(kCountses, IndexDef{"NSES", "NSES"});
    table.open();
    for (int i = 0; i < count; ++i) {
        table.append();
        table.setText("DURACION", std::to_string(i));
        if (i % 17 == 3) {
            values.push_back(std::nullopt); // left null
        } else {
            values.push_back(static_cast<int>(random() % 200) - 50); // many equal keys
            table.setInt("NSES", *values.back());
        }
        table.post();
    }
    table.close();
    const std::string mdx = readText(dir / "COUNTSES.MDX");
    EXPECT_EQ(MdxIndex::walk(mdx), expectedOrder(values));
    for (std::size_t page = 8; page * 512 < mdx.size(); page += 2) {
        std::uint32_t n = 0;
        std::memcpy(&n, mdx.data() + page * 512, 4);
        EXPECT_LE(n, 63u) << "page " << page;
    }

    // Edits move records in the index; the rebuilt tree follows them.
    table.open();
    for (int i = 0; i < count; i += 3) {
        ASSERT_TRUE(table.locate("DURACION", std::to_string(i)));
        table.edit();
        values[static_cast<std::size_t>(i)] = 1000 - i;
        table.setInt("NSES", 1000 - i);
        table.post();
    }
    table.close();
    EXPECT_EQ(MdxIndex::walk(readText(dir / "COUNTSES.MDX")), expectedOrder(values));
}

INSTANTIATE_TEST_SUITE_P(Sizes, MdxTree, ::testing::Values(1, 63, 64, 500, 4000, 4100));

// TDbf on Linux names the index with a lower-case extension: that file is the
// one found and rewritten.
TEST(MdxFile, LowerCaseIndexOfTDbfIsFoundAndRewritten) {
    TempDir dir;
    fs::copy_file(kReference / "COUNTSES.DBF", dir / "COUNTSES.DBF");
    fs::copy_file(kReference / "COUNTSES.MDX", dir / "COUNTSES.mdx");
    Table table(dir.path(), "COUNTSES");
    table.open();
    ASSERT_TRUE(table.locate("DURACION", "45"));
    table.edit();
    table.setInt("NSES", 30);
    table.post();
    table.close();
    EXPECT_FALSE(fs::exists(dir / "COUNTSES.MDX") &&
                 !fs::equivalent(dir / "COUNTSES.MDX", dir / "COUNTSES.mdx"));
    // NSES 25, 5, 12, 3, 30, 3, 10
    EXPECT_EQ(MdxIndex::walk(readText(dir / "COUNTSES.mdx")),
              (std::vector<std::uint32_t>{4, 6, 2, 7, 3, 1, 5}));
}

} // namespace
} // namespace vinculor
