#include "dbf/Table.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "files/FileSystem.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::snapshot;
using testing::TempDir;

const fs::path kReference = fs::path(VINCULOR_REFERENCE_DIR) / "dbase";

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

// What the store says of a field the table lacks, and of a table another holds.
std::string lacksField(const Table& table, const std::string& field) {
    return "La tabla " + table.name() + " no tiene el campo " + field + " (archivo «" +
           table.dataPath().string() + "»).";
}
std::string inUse(const Table& table) {
    return "La tabla " + table.name() + " está en uso por otro programa (archivo «" +
           table.dataPath().string() +
           "»): ciérrela en Horavia, o en el programa que la tenga abierta, y vuelva a intentarlo.";
}

// All the field types the program writes, and a name longer than ten characters.
const std::vector<FieldDef> kSchema = {
    {"COD", FieldType::Character, 10},  {"NOMBRE", FieldType::Character, 80},
    {"ESTAREA", FieldType::Boolean, 0}, {"NUM", FieldType::Integer, 0},
    {"HORAS", FieldType::Float, 0},     {"ABREV_GESTION", FieldType::Character, 10},
};

struct RoundTrip {
    const char* what;
    std::function<void(Table&)> set; // fills the appended record
    const char* field;
    std::string text; // what getText gives back after reopening
    std::optional<std::int32_t> asInt = std::nullopt;
    std::optional<double> asDouble = std::nullopt;
};

const std::vector<RoundTrip>& roundTrips() {
    static const std::vector<RoundTrip> cases = {
        {"accents", [](Table& t) { t.setText("NOMBRE", "Educación Física: ñ, Á, º, ü"); }, "NOMBRE",
         "Educación Física: ñ, Á, º, ü"},
        {"exact width", [](Table& t) { t.setText("COD", "ABCDEFGHIJ"); }, "COD", "ABCDEFGHIJ"},
        {"overlong text is cut to the width", [](Table& t) { t.setText("COD", "MATEMATICAS1"); }, "COD",
         "MATEMATICA"},
        {"width counts code-page bytes, not UTF-8 bytes", [](Table& t) { t.setText("COD", "ÁÉÍÓÚáéíóúñ"); },
         "COD", "ÁÉÍÓÚáéíóú"},
        {"long field name", [](Table& t) { t.setText("ABREV_GESTION", "AULA-Ñ"); }, "ABREV_GESTION",
         "AULA-Ñ"},
        {"character 1252 lacks", [](Table& t) { t.setText("NOMBRE", "Ωmega 5€"); }, "NOMBRE", "?mega 5€"},
        {"empty text", [](Table& t) { t.setText("NOMBRE", ""); }, "NOMBRE", ""},
        {"trailing blanks dropped, leading kept", [](Table& t) { t.setText("COD", "  ab  "); }, "COD",
         "  ab"},
        {"text never set", [](Table&) {}, "COD", ""},
        {"null integer", [](Table&) {}, "NUM", "", 0, 0.0},
        {"integer", [](Table& t) { t.setInt("NUM", 30); }, "NUM", "30", 30, 30.0},
        {"negative integer", [](Table& t) { t.setInt("NUM", -5); }, "NUM", "-5", -5},
        {"zero is not null", [](Table& t) { t.setInt("NUM", 0); }, "NUM", "0", 0},
        {"largest integer", [](Table& t) { t.setInt("NUM", INT_MAX); }, "NUM", "2147483647", INT_MAX},
        {"smallest storable integer", [](Table& t) { t.setInt("NUM", INT_MIN + 1); }, "NUM", "-2147483647",
         INT_MIN + 1},
        {"integer from text", [](Table& t) { t.setText("NUM", " 42 "); }, "NUM", "42", 42},
        {"boolean true", [](Table& t) { t.setBool("ESTAREA", true); }, "ESTAREA", "T"},
        {"boolean false", [](Table& t) { t.setBool("ESTAREA", false); }, "ESTAREA", "F"},
        {"boolean never set", [](Table&) {}, "ESTAREA", ""},
        {"whole float", [](Table& t) { t.setDouble("HORAS", 3); }, "HORAS", "3", 3, 3.0},
        {"half float", [](Table& t) { t.setDouble("HORAS", 2.5); }, "HORAS", "2.5", 3, 2.5},
        {"zero float", [](Table& t) { t.setDouble("HORAS", 0); }, "HORAS", "0", 0, 0.0},
        {"negative float", [](Table& t) { t.setDouble("HORAS", -1.25); }, "HORAS", "-1.25", -1, -1.25},
        {"float filling the field", [](Table& t) { t.setDouble("HORAS", 123456789.125); }, "HORAS",
         "123456789.125", 123456789, 123456789.125},
        {"large float keeps its digits and drops decimals",
         [](Table& t) { t.setDouble("HORAS", 1e12 + 0.5); }, "HORAS", "1000000000000.5"},
        {"float from text with a comma", [](Table& t) { t.setText("HORAS", "0,1"); }, "HORAS", "0.1", 0, 0.1},
        {"float from an integer", [](Table& t) { t.setInt("HORAS", 5); }, "HORAS", "5", 5, 5.0},
        {"float never set", [](Table&) {}, "HORAS", "", 0, 0.0},
        {"number in a text field", [](Table& t) { t.setText("COD", "55"); }, "COD", "55", 55, 55.0},
    };
    return cases;
}

TEST(TableRoundTrip, WhatIsWrittenReadsBackTheSame) {
    TempDir dir;
    Table table(dir.path(), "PRUEBA");
    table.create(kSchema);
    table.open();
    for (const RoundTrip& c : roundTrips()) {
        table.append();
        c.set(table);
        table.post();
    }
    table.close();

    table.open();
    EXPECT_EQ(table.level(), 7);
    ASSERT_EQ(table.recordCount(), roundTrips().size());
    table.first();
    for (const RoundTrip& c : roundTrips()) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(table.eof());
        EXPECT_EQ(table.getText(c.field), c.text);
        if (c.asInt) {
            EXPECT_EQ(table.getInt(c.field), *c.asInt);
        }
        if (c.asDouble) {
            EXPECT_EQ(table.getDouble(c.field), *c.asDouble);
        }
        table.next();
    }
    EXPECT_TRUE(table.eof());
}

TEST(TableRoundTrip, ValuesAFieldCannotHoldAreRefused) {
    TempDir dir;
    Table table(dir.path(), "PRUEBA");
    table.create(kSchema);
    table.open();
    table.append();
    // Its stored form would be the null form.
    EXPECT_EQ(messageOf([&] { table.setInt("NUM", INT_MIN); }),
              "El valor -2147483648 no cabe en el campo NUM de la tabla PRUEBA.");
    EXPECT_EQ(messageOf([&] { table.setDouble("HORAS", -1e17); }),
              "El valor -100000000000000000 no cabe en el campo HORAS de la tabla PRUEBA.");
    EXPECT_EQ(messageOf([&] { table.setText("NUM", "12a"); }), "'12a' is not a valid integer value");
    EXPECT_EQ(messageOf([&] { table.setText("HORAS", "dos"); }), "'dos' is not a valid floating point value");
    EXPECT_EQ(messageOf([&] { table.setText("DIA", "1"); }), lacksField(table, "DIA"));
    EXPECT_EQ(messageOf([&] { (void)table.getInt("DIA"); }), lacksField(table, "DIA"));
}

TEST(TableRoundTrip, HeaderIsLevel7WithTheCodePageNameAndTodaysDate) {
    TempDir dir;
    Table table(dir.path(), "asignomt"); // the file name is upper case whatever the table name
    table.create(kSchema);
    table.open();
    table.append();
    table.setText("COD", "MAT");
    table.close();
    EXPECT_EQ(table.dataPath(), dir / "ASIGNOMT.DBF");
    const std::string bytes = readText(dir / "ASIGNOMT.DBF");
    const std::size_t header = 68 + 48 * kSchema.size() + 1;
    const std::size_t record = 1 + 10 + 80 + 1 + 4 + 18 + 10;
    ASSERT_EQ(bytes.size(), header + record + 1);
    EXPECT_EQ(bytes[0], 0x04);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), local.tm_year);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]), local.tm_mon + 1);
    EXPECT_EQ(static_cast<unsigned char>(bytes[3]), local.tm_mday);
    EXPECT_EQ(bytes.substr(4, 4), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]) + 256 * static_cast<unsigned char>(bytes[9]), header);
    EXPECT_EQ(static_cast<unsigned char>(bytes[10]) + 256 * static_cast<unsigned char>(bytes[11]), record);
    EXPECT_EQ(bytes[28], 0);
    EXPECT_EQ(bytes.substr(32, 32), std::string("DBWINWE0") + std::string(24, '\0'));
    // The long name is stored whole; the float field is N 18.8.
    EXPECT_EQ(bytes.substr(68 + 5 * 48, 14), std::string("ABREV_GESTION\0", 14));
    EXPECT_EQ(bytes.substr(68 + 4 * 48 + 32, 3), "N\x12\x08");
    EXPECT_EQ(bytes[header - 1], 0x0D);
    EXPECT_EQ(bytes[header], ' ');
    EXPECT_EQ(bytes.substr(header + 1, 10), "MAT       ");
    EXPECT_EQ(bytes.substr(header + 92, 4), std::string(4, '\0')); // null integer
    EXPECT_EQ(bytes.substr(header + 96, 18), std::string(18, ' '));
    EXPECT_EQ(bytes.back(), 0x1A);
}

TEST(TableEditing, EditAfterAppendAndUnpostedChangesAreKept) {
    TempDir dir;
    Table table(dir.path(), "PRUEBA");
    table.create(kSchema);
    table.open();
    table.append();
    table.setText("COD", "A");
    table.setInt("NUM", 1);
    table.post();
    table.edit(); // the appended record is the current one
    table.setInt("NUM", 2);
    table.post();
    table.append();
    table.setText("COD", "B");
    table.next(); // moving on keeps the change in progress
    table.append();
    table.setText("COD", "C");
    table.close(); // so does closing
    table.open();
    table.first();
    EXPECT_EQ(table.getText("COD"), "A");
    EXPECT_EQ(table.getInt("NUM"), 2);
    table.next();
    EXPECT_EQ(table.getText("COD"), "B");
    table.next();
    EXPECT_EQ(table.getText("COD"), "C");
    table.next();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(messageOf([&] { table.setText("COD", "X"); }),
              "La tabla PRUEBA no está en edición: falta append() o edit().");
    EXPECT_EQ(messageOf([&] { (void)table.getText("COD"); }), "La tabla PRUEBA no tiene registro actual.");
}

TEST(TableEditing, DiscardAndDestructionWriteNothing) {
    TempDir dir;
    Table table(dir.path(), "PRUEBA");
    table.create(kSchema);
    const auto before = snapshot(dir.path());
    table.open();
    table.append();
    table.setText("COD", "X");
    table.post();
    table.discard();
    EXPECT_EQ(snapshot(dir.path()), before);
    {
        Table other(dir.path(), "PRUEBA");
        other.open();
        other.append();
        other.post();
    }
    EXPECT_EQ(snapshot(dir.path()), before);
}

class TableLocate : public ::testing::Test {
protected:
    void SetUp() override {
        table.bind(dir.path(), "PRUEBA");
        table.create(kSchema);
        table.open();
        for (auto [cod, num] : {std::pair{"MAT", 1}, {"LCL", 2}, {"MAT", 3}, {"mat", 4}, {"EF", 5}}) {
            table.append();
            table.setText("COD", cod);
            table.setInt("NUM", num);
            table.post();
        }
    }

    TempDir dir;
    Table table;
};

TEST_F(TableLocate, FindsTheFirstWholeExactMatch) {
    struct Case {
        const char* field;
        const char* value;
        std::optional<int> num; // NUM of the record found
    };
    const Case cases[] = {
        {"COD", "MAT", 1},         {"COD", "mat", 4}, {"COD", "EF", 5},  {"COD", "MA", std::nullopt},
        {"COD", "", std::nullopt}, {"NUM", "3", 3},   {"cod", "LCL", 2}, {"COD", "MAT ", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + "=" + c.value);
        table.locate("COD", "EF"); // somewhere known
        const bool found = table.locate(c.field, c.value);
        EXPECT_EQ(found, c.num.has_value());
        EXPECT_EQ(table.getInt("NUM"), c.num.value_or(5)); // a miss leaves the current record alone
    }
    EXPECT_EQ(messageOf([&] { table.locate("DIA", "1"); }), lacksField(table, "DIA"));
}

TEST_F(TableLocate, StaysRightAfterEditsAndAppends) {
    ASSERT_TRUE(table.locate("COD", "MAT")); // builds the map for COD
    table.edit();
    table.setText("COD", "FQ"); // the first MAT becomes FQ
    table.post();
    ASSERT_TRUE(table.locate("COD", "MAT"));
    EXPECT_EQ(table.getInt("NUM"), 3);
    ASSERT_TRUE(table.locate("COD", "FQ"));
    EXPECT_EQ(table.getInt("NUM"), 1);

    table.locate("COD", "EF");
    table.edit();
    table.setText("COD", "LCL"); // a later record takes a value an earlier one has
    table.post();
    ASSERT_TRUE(table.locate("COD", "LCL"));
    EXPECT_EQ(table.getInt("NUM"), 2);
    EXPECT_FALSE(table.locate("COD", "EF"));

    table.append();
    table.setText("COD", "EF");
    table.setInt("NUM", 6);
    table.post();
    table.append();
    table.setText("COD", "MAT");
    table.setInt("NUM", 7);
    table.post();
    ASSERT_TRUE(table.locate("COD", "EF"));
    EXPECT_EQ(table.getInt("NUM"), 6);
    ASSERT_TRUE(table.locate("COD", "MAT"));
    EXPECT_EQ(table.getInt("NUM"), 3);

    table.edit(); // the only remaining MAT before record 7
    table.setText("COD", "X");
    table.post();
    ASSERT_TRUE(table.locate("COD", "MAT"));
    EXPECT_EQ(table.getInt("NUM"), 7);
}

TEST(TableFiles, FoundWithoutRegardToLetterCase) {
    TempDir dir;
    fs::copy_file(kReference / "soluc-level7" / "SOLUC.DBF", dir / "soluc.dbf");
    for (const char* name : {"SOLUC", "soluc", "Soluc"}) {
        Table table(dir.path(), name);
        EXPECT_TRUE(fs::equivalent(table.dataPath(), dir / "soluc.dbf")) << table.dataPath();
        table.open();
        EXPECT_EQ(table.recordCount(), 9u);
        table.close();
    }
    Table missing(dir.path(), "PROFT");
    EXPECT_EQ(missing.dataPath(), dir / "PROFT.DBF");
}

TEST(TableFiles, DeleteTableFilesRemovesEveryCaseAndIgnoresTheMissing) {
    TempDir dir;
    for (const char* f : {"COUNTSES.DBF", "countses.mdx", "Countses.Dbf", "COUNTSES.TXT", "PROFT.DBF"}) {
        testing::writeText(dir / f, "x");
    }
    deleteTableFiles(dir.path(), "countses");
    deleteTableFiles(dir.path(), "NADA");
    deleteTableFiles(dir / "no-such-dir", "COUNTSES");
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        left.push_back(e.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"COUNTSES.TXT", "PROFT.DBF"}));
}

TEST(TableFiles, CreateReplacesATableOfTheSameNameInAnyCase) {
    TempDir dir;
    fs::copy_file(kReference / "COUNTSES.DBF", dir / "countses.dbf");
    fs::copy_file(kReference / "COUNTSES.MDX", dir / "countses.mdx");
    Table table(dir.path(), "COUNTSES");
    table.create({{"DURACION", FieldType::Character, 10}, {"NSES", FieldType::Integer, 0}});
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        std::string name = e.path().filename().string();
#ifdef _WIN32
        // A file system without letter case: the replaced file may keep the old name's spelling.
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::toupper(c); });
#endif
        left.push_back(name);
    }
    EXPECT_EQ(left, std::vector<std::string>{"COUNTSES.DBF"}); // no index asked for: none left
    table.open();
    EXPECT_EQ(table.recordCount(), 0u);
}

TEST(TableErrors, MissingDirectoryTableAndNotOpen) {
    TempDir dir;
    const fs::path nowhere = dir / "HTEMP";
    Table table(nowhere, "SOLUC");
    EXPECT_EQ(messageOf([&] { table.open(); }),
              "No existe el directorio de Horavia «" + files::toUtf8(nowhere) + "».");
    EXPECT_EQ(messageOf([&] { table.create(kSchema); }),
              "No existe el directorio de Horavia «" + files::toUtf8(nowhere) + "».");
    table.bind(dir.path(), "SOLUC");
    EXPECT_EQ(messageOf([&] { table.open(); }),
              "No existe la tabla SOLUC en «" + files::toUtf8(dir.path()) + "».");
    EXPECT_EQ(messageOf([&] { table.first(); }), "La tabla SOLUC no está abierta.");
    EXPECT_NO_THROW(table.close());
}

TEST(TableErrors, SchemasThatCannotBeWritten) {
    TempDir dir;
    Table table(dir.path(), "MALA");
    EXPECT_EQ(
        messageOf([&] {
            table.create({{"COD", FieldType::Character, 255}});
        }),
        "No se puede crear la tabla MALA: el campo COD tiene una anchura de 255 (debe estar entre 1 y 254).");
    EXPECT_EQ(
        messageOf([&] {
            table.create({{"COD", FieldType::Character, 0}});
        }),
        "No se puede crear la tabla MALA: el campo COD tiene una anchura de 0 (debe estar entre 1 y 254).");
    EXPECT_EQ(messageOf([&] {
                  table.create({{std::string(32, 'A'), FieldType::Integer, 0}});
              }),
              "No se puede crear la tabla MALA: el nombre de campo «" + std::string(32, 'A') +
                  "» no es válido.");
    EXPECT_EQ(messageOf([&] {
                  table.create({{"A", FieldType::Integer, 0}, {"a", FieldType::Boolean, 0}});
              }),
              "No se puede crear la tabla MALA: el campo A está repetido.");
    EXPECT_EQ(messageOf([&] {
                  table.create({{"COD", FieldType::Character, 5}}, IndexDef{"NSES", "NSES"});
              }),
              "No se puede crear la tabla MALA: el índice NSES es del campo NSES, que la tabla no tiene.");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(TableExclusive, ASecondOpenOfTheSameTableIsRefused) {
    TempDir dir;
    Table first(dir.path(), "PROFT");
    first.create(kSchema);
    first.open();
    Table second(dir.path(), "proft");
    EXPECT_EQ(messageOf([&] { second.open(); }), inUse(second));
    EXPECT_EQ(messageOf([&] { second.create(kSchema); }), inUse(second));
    first.close();
    EXPECT_NO_THROW(second.open());
    Table third(dir.path(), "PROFT");
    EXPECT_EQ(messageOf([&] { third.open(); }), inUse(third));
    Table moved = std::move(second); // the hold moves with the table
    EXPECT_THROW(third.open(), Error);
    moved.discard();
    EXPECT_NO_THROW(third.open());
}

// Whatever file operation fails while a table is written, the table on disk
// is the old one, whole, and no stray file is left.
TEST(TableWriting, AFailedCloseLeavesTheOldFilesWhole) {
    TempDir dir;
    Table table(dir.path(), "COUNTSES");
    table.create({{"DURACION", FieldType::Character, 10}, {"NSES", FieldType::Integer, 0}},
                 IndexDef{"NSES", "NSES"});
    table.open();
    table.append();
    table.setText("DURACION", "55");
    table.setInt("NSES", 1);
    table.close();
    const auto before = snapshot(dir.path());
    for (long k = 1;; ++k) {
        SCOPED_TRACE(k);
        table.open();
        table.append();
        table.setText("DURACION", "30");
        table.setInt("NSES", 2);
        files::FaultInjection::failOperation(k);
        bool failed = false;
        try {
            table.close();
        } catch (const Error&) {
            failed = true;
        }
        const bool triggered = files::FaultInjection::triggered();
        files::FaultInjection::disarm();
        table.discard();
        if (!failed && triggered) {
            continue; // the flush of the folder once a file is in place undoes nothing
        }
        if (!failed) {
            EXPECT_GT(k, 4); // data and index each: create, write, close, rename
            break;
        }
        const auto after = snapshot(dir.path());
        if (k <= 4) {
            EXPECT_EQ(after, before); // the data file was not replaced
        } else {
            EXPECT_EQ(after.size(), before.size()); // no temporary file left over
        }
    }
}

// Reading is one pass over the file and writing one write of it.
TEST(TableVolume, AHundredThousandRecords) {
    TempDir dir;
    Table table(dir.path(), "ASIGT");
    table.create({{"CASIG", FieldType::Character, 10},
                  {"NUM", FieldType::Integer, 0},
                  {"HORAS", FieldType::Float, 0}});
    const auto t0 = std::chrono::steady_clock::now();
    table.open();
    for (int i = 0; i < 100000; ++i) {
        table.append();
        table.setText("CASIG", "A" + std::to_string(i));
        table.setInt("NUM", i);
        table.setDouble("HORAS", i / 2.0);
        table.post();
    }
    table.close();
    const auto t1 = std::chrono::steady_clock::now();
    table.open();
    long long sum = 0;
    for (table.first(); !table.eof(); table.next()) {
        sum += table.getInt("NUM");
    }
    ASSERT_TRUE(table.locate("CASIG", "A99999"));
    EXPECT_EQ(table.getDouble("HORAS"), 49999.5);
    const auto t2 = std::chrono::steady_clock::now();
    EXPECT_EQ(table.recordCount(), 100000u);
    EXPECT_EQ(sum, 99999LL * 100000 / 2);
    using ms = std::chrono::milliseconds;
    RecordProperty("write_ms", static_cast<int>(std::chrono::duration_cast<ms>(t1 - t0).count()));
    RecordProperty("read_ms", static_cast<int>(std::chrono::duration_cast<ms>(t2 - t1).count()));
}

// A table walked from its first record forward is read a piece at a time;
// any other use reads it whole, from the record the walk had reached.
TEST(TableVolume, AWalkAcrossManyPiecesSkipsDeletedRecordsAndCanTurnIntoAnyOtherUse) {
    TempDir dir;
    constexpr int kRecords = 30000; // about 6 MB: more than one piece
    Table table(dir.path(), "SOLUC");
    table.create({{"ASIG", FieldType::Character, 10}, {"TEXTO", FieldType::Character, 190}});
    table.open();
    for (int i = 0; i < kRecords; ++i) {
        table.append();
        table.setText("ASIG", "A" + std::to_string(i));
        table.post();
    }
    table.close();

    // Every seventh record deleted, as another engine leaves them.
    std::string bytes = readText(dir / "SOLUC.DBF");
    const std::size_t headerLength = bytes::le16(bytes, 8), recordLength = bytes::le16(bytes, 10);
    std::vector<int> expected;
    for (int i = 0; i < kRecords; ++i) {
        if (i % 7 == 3) {
            bytes[headerLength + static_cast<std::size_t>(i) * recordLength] = '*';
        } else {
            expected.push_back(i);
        }
    }
    testing::writeText(dir / "SOLUC.DBF", bytes);

    table.open();
    EXPECT_EQ(table.recordCount(), expected.size());
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t seen = 0;
        for (table.first(); !table.eof(); table.next()) {
            ASSERT_LT(seen, expected.size());
            ASSERT_EQ(table.getText("ASIG"), "A" + std::to_string(expected[seen])) << "pass " << pass;
            ++seen;
        }
        EXPECT_EQ(seen, expected.size());
    }

    // Half way through a walk, an edit reads the table whole and changes the
    // record that the walk had reached; the walk then goes on from there.
    table.first();
    for (std::size_t k = 0; k < expected.size() / 2; ++k) {
        table.next();
    }
    table.edit();
    table.setText("TEXTO", "cambiado");
    table.post();
    EXPECT_EQ(table.getText("ASIG"), "A" + std::to_string(expected[expected.size() / 2]));
    table.next();
    EXPECT_EQ(table.getText("ASIG"), "A" + std::to_string(expected[expected.size() / 2 + 1]));
    EXPECT_FALSE(table.locate("ASIG", "A3"));
    ASSERT_TRUE(table.locate("TEXTO", "cambiado"));
    EXPECT_EQ(table.getText("ASIG"), "A" + std::to_string(expected[expected.size() / 2]));
    EXPECT_EQ(table.recordCount(), expected.size());
}

// A table that grows past what is kept in memory writes the older records to
// its new file before close(); reading, editing and locating them still work,
// and until close() the old file stays as it was.
TEST(TableVolume, RecordsBeyondWhatIsKeptInMemoryReadBackEditAndCloseWhole) {
    TempDir dir;
    constexpr int kRecords = 60000; // about 12 MB
    Table table(dir.path(), "ASIGT");
    table.create({{"CASIG", FieldType::Character, 10}, {"TEXTO", FieldType::Character, 190}});
    const std::string empty = readText(dir / "ASIGT.DBF");
    const auto fill = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            table.append();
            table.setText("CASIG", "A" + std::to_string(i));
            table.setText("TEXTO", "texto " + std::to_string(i));
            table.post();
        }
    };
    table.open();
    fill(0, kRecords);
    table.discard();
    EXPECT_EQ(readText(dir / "ASIGT.DBF"), empty);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);

    table.open();
    fill(0, kRecords);
    ASSERT_TRUE(table.locate("CASIG", "A10"));
    table.edit();
    table.setText("TEXTO", "cambiado");
    table.post();
    ASSERT_TRUE(table.locate("TEXTO", "texto 59999"));
    EXPECT_EQ(table.getText("CASIG"), "A59999");
    table.close();

    table.open();
    int i = 0;
    for (table.first(); !table.eof(); table.next(), ++i) {
        ASSERT_EQ(table.getText("CASIG"), "A" + std::to_string(i));
        ASSERT_EQ(table.getText("TEXTO"), i == 10 ? "cambiado" : "texto " + std::to_string(i));
    }
    EXPECT_EQ(i, kRecords);
    table.close();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

// Searches over long texts and a map that grows while records are appended.
TEST(TableVolume, SearchesFindLongTextsInAGrowingTable) {
    TempDir dir;
    Table table(dir.path(), "AULAT");
    table.create({{"ABREV", FieldType::Character, 10}, {"ABREV_GESTION", FieldType::Character, 60}});
    table.open();
    const auto code = [](int i) { return "AULA-DE-PRACTICAS-DEL-EDIFICIO-NORTE-" + std::to_string(i); };
    const auto add = [&](int i) {
        table.append();
        table.setText("ABREV", "A" + std::to_string(i));
        table.setText("ABREV_GESTION", code(i));
        table.post();
    };
    add(0);
    ASSERT_TRUE(table.locate("ABREV_GESTION", code(0))); // the search map exists from here on
    for (int i = 1; i < 5000; ++i) {
        add(i);
    }
    for (int i : {0, 1, 17, 2048, 4999}) {
        ASSERT_TRUE(table.locate("ABREV_GESTION", code(i))) << i;
        EXPECT_EQ(table.getText("ABREV"), "A" + std::to_string(i));
    }
    EXPECT_FALSE(table.locate("ABREV_GESTION", code(5000)));
    ASSERT_TRUE(table.locate("ABREV_GESTION", code(17)));
    table.edit();
    table.setText("ABREV_GESTION", code(4999)); // an earlier record now has a later one's text
    table.post();
    EXPECT_FALSE(table.locate("ABREV_GESTION", code(17)));
    ASSERT_TRUE(table.locate("ABREV_GESTION", code(4999)));
    EXPECT_EQ(table.getText("ABREV"), "A17");
}

// Fields found once by name and then used by number.
TEST(TableFieldHandles, ReachTheSameFieldAsItsNameAndRefuseWhatTheTableLacks) {
    TempDir dir;
    Table table(dir.path(), "PRUEBA");
    table.create(kSchema);
    table.open();
    const Table::Field code = table.field("cod"); // any letter case
    const Table::Field hours = table.field("Horas");
    EXPECT_EQ(code.number, 0u);
    EXPECT_EQ(hours.number, 4u);
    table.append();
    table.setText(code, "MAT1");
    table.setDouble(hours, 2.5);
    table.post();
    EXPECT_EQ(table.getText("COD"), "MAT1");
    EXPECT_EQ(table.getText(code), "MAT1");
    EXPECT_EQ(table.viewText(code), "MAT1");
    EXPECT_EQ(table.getDouble(hours), 2.5);
    EXPECT_EQ(table.getInt(hours), 3); // rounded
    EXPECT_TRUE(table.locate(code, "MAT1"));
    EXPECT_EQ(messageOf([&] { (void)table.field("DIA"); }), lacksField(table, "DIA"));
    EXPECT_EQ(messageOf([&] { (void)table.getText(Table::Field{6}); }),
              "La tabla PRUEBA no tiene el campo número 7");
    EXPECT_EQ(messageOf([&] { table.setText(Table::Field{99}, "x"); }),
              "La tabla PRUEBA no tiene el campo número 100");
    table.close();
    EXPECT_EQ(messageOf([&] { (void)table.getText(code); }), "La tabla PRUEBA no está abierta.");
}

// Records appended from a record laid out once: each is a copy of it as it
// was then, with every field at its place in the record (checked in the
// file's bytes), text in code page 1252 and cut to the field's width.
TEST(TableRecordWriter, RecordsStartedFromALaidOutRecordAreCopiesWithTheirFieldsInPlace) {
    TempDir dir;
    Table table(dir.path(), "PRUEBA");
    table.create(kSchema);
    table.open();
    const Table::Field code = table.field("COD"), name = table.field("NOMBRE"), task = table.field("ESTAREA"),
                       hours = table.field("HORAS"), managed = table.field("ABREV_GESTION");
    Table::Record start = table.blankRecord();
    table.setText(start, name, "Educación Física");
    table.setText(start, managed, "GESTION-ÑANDU"); // longer than the field
    table.append(start);
    table.setText(code, "MATEMATICAS");
    table.setText(code, "EF1");            // written twice: the second text, blank padded
    EXPECT_EQ(table.getText(code), "EF1"); // the record being appended reads as it is
    table.setBool(task, true);
    table.setDouble(hours, 2.5);
    table.post();
    table.setText(start, name, "Música"); // the record already appended stays as it was
    table.append(start);
    table.setText(code, "MUS1");
    table.post();
    table.append(); // a plain append starts blank
    table.post();
    table.close();

    const std::string file = readText(table.dataPath());
    ASSERT_GT(file.size(), 32u);
    const std::size_t headerLength = static_cast<unsigned char>(file[8]) | static_cast<unsigned char>(file[9])
                                                                               << 8;
    const std::size_t recordLength =
        static_cast<unsigned char>(file[10]) | static_cast<unsigned char>(file[11]) << 8;
    ASSERT_EQ(recordLength,
              124u); // deleted flag 1, COD 10, NOMBRE 80, ESTAREA 1, NUM 4, HORAS 18, ABREV_GESTION 10
    ASSERT_EQ(file.size(), headerLength + 3 * recordLength + 1);
    const auto padded = [](std::string text, std::size_t width) {
        return text.append(width - text.size(), ' ');
    };
    const std::string nullInteger(4, '\0');
    const std::vector<std::string> expected = {
        " " + padded("EF1", 10) + padded("Educaci\xF3n F\xEDsica", 80) + "T" + nullInteger +
            "        2.50000000" +
            "GESTION-\xD1"
            "A",
        " " + padded("MUS1", 10) + padded("M\xFAsica", 80) + " " + nullInteger + std::string(18, ' ') +
            "GESTION-\xD1"
            "A",
        " " + std::string(10 + 80 + 1, ' ') + nullInteger + std::string(18 + 10, ' '),
    };
    for (std::size_t r = 0; r < expected.size(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(file.substr(headerLength + r * recordLength, recordLength), expected[r]);
    }

    Table other(dir.path(), "OTRA");
    other.create({{"COD", FieldType::Character, 10}});
    other.open();
    table.open();
    Table::Record foreign = other.blankRecord();
    EXPECT_EQ(messageOf([&] { table.append(foreign); }),
              "El registro que se quiere añadir a la tabla PRUEBA no es de esa tabla.");
    EXPECT_EQ(messageOf([&] { table.setText(foreign, code, "X"); }),
              "El registro que se quiere escribir no es de la tabla PRUEBA.");
    EXPECT_EQ(table.recordCount(), 3u);
}

// viewText's text stays as it was while the table stays on its record and
// unchanged: across reads of other fields, counts, and both the walk before
// the table is read whole and the records held once it is.
TEST(TableFieldHandles, ViewedTextLastsUntilTheTableMovesOrTheSameFieldIsReadAgain) {
    TempDir dir;
    constexpr int kRecords = 20000; // more than the walk's first pieces
    Table table(dir.path(), "SOLUC");
    table.create({{"ASIG", FieldType::Character, 10},
                  {"NOMBRE", FieldType::Character, 40},
                  {"OTRO", FieldType::Character, 40},
                  {"TEXTO", FieldType::Character, 150}});
    table.open();
    for (int i = 0; i < kRecords; ++i) {
        table.append();
        table.setText("ASIG", "A" + std::to_string(i));
        table.setText("NOMBRE", "Educación Física " + std::to_string(i)); // converted from code page 1252
        table.setText("OTRO", "Año " + std::to_string(i));
        table.post();
    }
    table.close();

    table.open();
    const Table::Field asig = table.field("ASIG");
    const Table::Field nombre = table.field("NOMBRE");
    const Table::Field otro = table.field("OTRO");
    int i = 0;
    for (table.first(); !table.eof(); table.next(), ++i) {
        const std::string_view a = table.viewText(asig);
        const std::string_view n = table.viewText(nombre);
        const std::string_view o = table.viewText(otro);
        if (i == kRecords / 2) {
            EXPECT_EQ(table.recordCount(), static_cast<std::size_t>(kRecords)); // reads the whole file
        }
        (void)table.getText(nombre);
        ASSERT_EQ(a, "A" + std::to_string(i));
        ASSERT_EQ(n, "Educación Física " + std::to_string(i));
        ASSERT_EQ(o, "Año " + std::to_string(i));
    }
    // Once read whole (a search does it), views point into the records held.
    ASSERT_TRUE(table.locate(asig, "A7"));
    const std::string_view a = table.viewText(asig);
    const std::string_view n = table.viewText(nombre);
    EXPECT_TRUE(table.locate(table.field("TEXTO"), "")); // another field's search map, same record
    ASSERT_TRUE(table.locate(asig, "A7"));
    EXPECT_EQ(a, "A7");
    EXPECT_EQ(n, "Educación Física 7");
    EXPECT_EQ(table.viewText(nombre), "Educación Física 7");
    table.discard();
}

// sameText compares stored bytes where both fields are text: equal bytes must
// mean equal text, and different bytes different text.
TEST(TableFieldHandles, SameTextAgreesWithTheTextsRead) {
    TempDir dir;
    Table table(dir.path(), "SOLUC");
    table.create({{"ASIG", FieldType::Character, 10},
                  {"TAREA", FieldType::Character, 12},
                  {"NUM", FieldType::Integer, 0},
                  {"HORAS", FieldType::Float, 0}});
    table.open();
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"MAT", "MAT"},
        {"MAT", "MAT   "},
        {"MAT", "mat"},
        {"Ñu", "Ñu"},
        {"Ñu", "ñu"},
        {"", ""},
        {"", " "},
        {"ABCDEFGHIJ", "ABCDEFGHIJKL"}, // the shorter field cuts the text
        {"ABCDEFGHIJ", "ABCDEFGHIJ"}};
    for (const auto& [asig, tarea] : pairs) {
        table.append();
        table.setText("ASIG", asig);
        table.setText("TAREA", tarea);
        table.setInt("NUM", 3);
        table.setDouble("HORAS", 3);
        table.post();
        SCOPED_TRACE(asig + " / " + tarea);
        EXPECT_EQ(table.sameText(table.field("ASIG"), table.field("TAREA")),
                  table.getText("ASIG") == table.getText("TAREA"));
        EXPECT_TRUE(table.sameText(table.field("NUM"), table.field("HORAS"))); // "3" and "3"
    }
    table.discard();
}

} // namespace
} // namespace vinculor
