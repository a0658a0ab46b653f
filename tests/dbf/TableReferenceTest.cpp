// Every reference table that TDbf wrote, read by our store and compared with
// TDbf's own reading of it (the .json dump beside each table).
#include "base/Error.h"
#include "dbf/DbfHeader.h"
#include "dbf/MdxIndex.h"
#include "dbf/Table.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using testing::readText;
using testing::TempDir;

const fs::path kReference = fs::path(VINCULOR_REFERENCE_DIR) / "dbase";

struct ReferenceTable {
    const char* folder; // below dbase/, "" for the top
    const char* name;
    int level; // what our store reports
};

void PrintTo(const ReferenceTable& t, std::ostream* os) {
    *os << t.folder << "/" << t.name;
}

char typeOf(const Table& table, const std::string& field) {
    for (const FieldInfo& f : table.fields()) {
        if (f.name == field) {
            return letterOf(f.type);
        }
    }
    return '?';
}

class ReferenceTables : public ::testing::TestWithParam<ReferenceTable> {};

TEST_P(ReferenceTables, ReadAsTDbfReadsThem) {
    const ReferenceTable& ref = GetParam();
    const fs::path source = kReference / ref.folder;
    const Json dump = Json::parse(readText(source / (std::string(ref.name) + ".json")));

    // A copy, so that the shared reference files are never locked or touched.
    TempDir dir;
    fs::copy_file(source / (std::string(ref.name) + ".DBF"), dir / (std::string(ref.name) + ".DBF"));
    if (fs::exists(source / (std::string(ref.name) + ".MDX"))) {
        fs::copy_file(source / (std::string(ref.name) + ".MDX"), dir / (std::string(ref.name) + ".MDX"));
    }
    Table table(dir.path(), ref.name);
    table.open();
    EXPECT_EQ(table.level(), ref.level);

    const Json& fields = dump.at("fields");
    ASSERT_EQ(table.fields().size(), fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Json& f = fields[i];
        const FieldInfo& ours = table.fields()[i];
        EXPECT_EQ(ours.name, f.at("name").get<std::string>());
        EXPECT_EQ(std::string(1, letterOf(ours.type)), f.at("type").get<std::string>());
        EXPECT_EQ(ours.width, f.at("width").get<int>());
        EXPECT_EQ(ours.decimals, f.at("decimals").get<int>());
        EXPECT_EQ(ours.offset, f.at("offset").get<int>());
    }

    std::size_t live = 0;
    table.first();
    for (const Json& record : dump.at("records")) {
        if (record.at("deleted").get<bool>()) {
            continue; // skipped by both engines
        }
        ++live;
        ASSERT_FALSE(table.eof());
        const std::string where = std::string(ref.name) + " record " + record.at("recno").dump();
        for (const auto& [field, value] : record.at("values").items()) {
            SCOPED_TRACE(where + " field " + field);
            switch (value.type()) {
            case Json::value_t::null: // blank text, blank or null number, unset logical
                EXPECT_EQ(table.getText(field), "");
                if (std::string("NFI+O").find(typeOf(table, field)) != std::string::npos) {
                    EXPECT_EQ(table.getInt(field), 0);
                    EXPECT_EQ(table.getDouble(field), 0.0);
                }
                break;
            case Json::value_t::string:
                EXPECT_EQ(table.getText(field), value.get<std::string>());
                break;
            case Json::value_t::boolean:
                EXPECT_EQ(table.getText(field), value.get<bool>() ? "T" : "F");
                break;
            case Json::value_t::number_integer:
            case Json::value_t::number_unsigned:
            case Json::value_t::number_float:
                EXPECT_EQ(table.getText(field), record.at("texts").at(field).get<std::string>());
                EXPECT_EQ(table.getDouble(field), value.get<double>());
                EXPECT_EQ(table.getInt(field), static_cast<std::int32_t>(std::round(value.get<double>())));
                break;
            default:
                FAIL() << "unexpected JSON value";
            }
        }
        table.next();
    }
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.recordCount(), live);
    table.close();
}

INSTANTIATE_TEST_SUITE_P(
    Dumps, ReferenceTables,
    ::testing::Values(ReferenceTable{"", "ASIGNOMT", 7}, ReferenceTable{"", "PROFT", 7},
                      ReferenceTable{"", "AULAT", 7}, ReferenceTable{"", "GRUPOST", 7},
                      ReferenceTable{"", "ASIGT", 7}, ReferenceTable{"", "DIASHORAST", 7},
                      ReferenceTable{"", "COUNTSES", 7}, ReferenceTable{"", "XFLOATO", 7},
                      ReferenceTable{"", "XKEYTEST", 7}, ReferenceTable{"soluc-level7", "SOLUC", 7},
                      // TDbf calls the level-3 file level 4; it has no language driver, so we say 3.
                      ReferenceTable{"soluc-level4", "SOLUC", 4}, ReferenceTable{"soluc-level3", "SOLUC", 3}),
    [](const auto& info) {
        return std::string(info.param.folder).empty()
                   ? std::string(info.param.name)
                   : std::string(info.param.name) + "_" + std::string(info.param.folder).substr(6);
    });

// The same solution as a table in a DOS code page would hold it: the header
// names code page 850 (by its language driver, or its name at level 7) and
// the accented letters are that page's bytes. They read as the same text.
TEST(ReferenceTables, TextIsReadInTheCodePageTheHeaderNames) {
    struct Case {
        const char* folder;
        std::size_t at; // where the header names the code page
        std::string names;
    };
    const Case cases[] = {{"soluc-level4", 29, std::string(1, '\x02')},
                          {"soluc-level3", 29, std::string(1, '\x02')},
                          {"soluc-level7", 32, "DB850WE0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string bytes = readText(kReference / c.folder / "SOLUC.DBF");
        bytes.replace(c.at, c.names.size(), c.names);
        for (const auto& [cp1252, cp850] : {std::pair<std::string, std::string>("N\xDA\xD1"
                                                                                "EZ",
                                                                                "N\xE9\xA5"
                                                                                "EZ"),
                                            std::pair<std::string, std::string>("AULA\xD1", "AULA\xA5")}) {
            const std::size_t found = bytes.find(cp1252);
            ASSERT_NE(found, std::string::npos);
            bytes.replace(found, cp850.size(), cp850);
        }
        TempDir dir;
        testing::writeText(dir / "SOLUC.DBF", bytes);
        Table table(dir.path(), "SOLUC");
        table.open();
        std::vector<std::string> read;
        for (table.first(); !table.eof(); table.next()) {
            read.push_back(table.getText("PROF") + "/" + table.getText("AULA"));
        }
        table.discard();
        EXPECT_NE(std::find(read.begin(), read.end(), "NÚÑEZ/"), read.end());
        EXPECT_NE(std::find(read.begin(), read.end(), "PEREZM1/AULAÑ"), read.end());
    }
}

// Which code page each way of naming one gives: language driver ids below
// level 7, driver names at level 7.
TEST(ReferenceTables, TheHeaderNamesTheCodePageByLanguageIdOrDriverName) {
    const std::string level4 = readText(kReference / "soluc-level4" / "SOLUC.DBF");
    const std::pair<unsigned, int> ids[] = {
        {0x00, 1252}, {0x01, 437}, {0x18, 437},  {0x1B, 437},  {0x02, 850},  {0x14, 850},  {0x37, 850},
        {0x1F, 852},  {0x64, 852}, {0x03, 1252}, {0x57, 1252}, {0x58, 1252}, {0x59, 1252}, {0x26, 1252}};
    for (const auto& [id, page] : ids) {
        std::string bytes = level4;
        bytes[29] = static_cast<char>(id);
        EXPECT_EQ(DbfHeader::parse(bytes, bytes.size(), "SOLUC", "SOLUC.DBF").codePage, page) << id;
    }
    const std::string level7 = readText(kReference / "soluc-level7" / "SOLUC.DBF");
    const std::pair<std::string, int> names[] = {{"DBWINWE0", 1252}, {"DB850WE0", 850}, {"DB437US0", 437},
                                                 {"DB852CZ0", 852},  {"", 1252},        {"WEIRD", 1252}};
    for (const auto& [name, page] : names) {
        std::string bytes = level7;
        bytes.replace(32, 32, std::string(32, '\0'));
        bytes.replace(32, name.size(), name);
        EXPECT_EQ(DbfHeader::parse(bytes, bytes.size(), "SOLUC", "SOLUC.DBF").codePage, page) << name;
    }
}

// The order in which TDbf walks a table by its tag is the order our reading of
// the B-tree gives, for a one-node tree and for a two-level one.
TEST(ReferenceIndexes, TreeWalkMatchesTDbfOrder) {
    for (const char* name : {"COUNTSES", "XKEYTEST"}) {
        SCOPED_TRACE(name);
        const Json dump = Json::parse(readText(kReference / (std::string(name) + ".json")));
        std::vector<std::uint32_t> expected;
        for (const Json& n : dump.at("index").at("order")) {
            expected.push_back(n.get<std::uint32_t>());
        }
        EXPECT_EQ(MdxIndex::walk(readText(kReference / (std::string(name) + ".MDX"))), expected);
        const auto tag = MdxIndex::readRebuildableTag(readText(kReference / (std::string(name) + ".MDX")));
        ASSERT_TRUE(tag.has_value());
        EXPECT_EQ(tag->name, dump.at("index").at("name").get<std::string>());
        EXPECT_EQ(tag->expression, dump.at("tdbf").at("indexes").at(0).at("expression").get<std::string>());
    }
}

// Getting a number out of text that is not one gives the exact messages the
// conversion steps report.
TEST(ReferenceTables, TextThatIsNotANumberGivesTheConversionMessages) {
    TempDir dir;
    fs::copy_file(kReference / "ASIGNOMT.DBF", dir / "ASIGNOMT.DBF");
    Table table(dir.path(), "ASIGNOMT");
    table.open();
    table.first(); // COD "MAT", NOMBRE "Matemáticas"
    try {
        (void)table.getInt("NOMBRE");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'Matemáticas' is not a valid integer value");
    }
    try {
        (void)table.getDouble("COD");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'MAT' is not a valid floating point value");
    }
    table.locate("COD", "SINNOM"); // empty NOMBRE
    EXPECT_THROW((void)table.getInt("NOMBRE"), Error);
}

TEST(ReferenceTables, CharacterFieldHoldingANumberReadsAsOne) {
    TempDir dir;
    fs::copy_file(kReference / "COUNTSES.DBF", dir / "COUNTSES.DBF");
    fs::copy_file(kReference / "COUNTSES.MDX", dir / "COUNTSES.MDX");
    Table table(dir.path(), "COUNTSES");
    table.open();
    table.first();
    EXPECT_EQ(table.getInt("DURACION"), 55);
    EXPECT_EQ(table.getFirstFieldInt(), 55);
    EXPECT_EQ(table.getDouble("DURACION"), 55.0);
    ASSERT_TRUE(table.locate("DURACION", "-5"));
    EXPECT_EQ(table.getFirstFieldInt(), -5);
    EXPECT_EQ(table.getInt("NSES"), 10);
}

} // namespace
} // namespace vinculor
