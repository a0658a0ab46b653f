// Our table store against an independent dBase engine, Free Pascal's TDbf:
// TDbf reads the tables we write (and walks COUNTSES by our index), and we
// read the solution tables TDbf writes at levels 3, 4 and 7.
#include "TDbfPrograms.h"
#include "dbf/Table.h"
#include "support/TempDir.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <variant>

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using interop::Dump;
using interop::dumpWithTDbf;
using interop::runPascal;
using testing::TempDir;

// One assignment and what TDbf must read back: nullopt for null.
struct Set {
    const char* field;
    std::variant<std::string, int, double, bool> value;
    std::optional<std::string> tdbf;
};
using Row = std::vector<Set>;

struct Schema {
    const char* name;
    std::vector<FieldDef> fields;
    std::optional<IndexDef> index;
    std::vector<Row> rows;
};

void PrintTo(const Schema& s, std::ostream* os) {
    *os << s.name;
}

const std::string k80 = "Ampliación de Matemáticas: álgebra, geometría y cálculo, para 2º de Bachillerato";
const std::string k100 = std::string(88, 'x') + "@example.org";

std::vector<Schema> exportSchemas() {
    const auto C = [](const char* n, int w) { return FieldDef{n, FieldType::Character, w}; };
    const FieldType L = FieldType::Boolean, I = FieldType::Integer, F = FieldType::Float;
    return {
        {"ASIGNOMT",
         {C("COD", 10),
          C("CODLARGO", 10),
          C("NOMBRE", 80),
          C("CODTAREA", 12),
          {"ESTAREA", L, 0},
          C("ABREV_GESTION", 10)},
         std::nullopt,
         {{{"COD", std::string("MAT"), "MAT"},
           {"CODLARGO", std::string("MATEMATICAS1"), "MATEMATICA"},
           {"NOMBRE", std::string("Matemáticas"), "Matemáticas"},
           {"ESTAREA", false, "False"},
           {"ABREV_GESTION", std::string("REUNIONDEPART"), "REUNIONDEP"}},
          {{"COD", std::string("ABCDEFGHIJ"), "ABCDEFGHIJ"},
           {"NOMBRE", k80, k80},
           {"CODTAREA", std::string("CCM"), "CCM"},
           {"ESTAREA", true, "True"}},
          {{"COD", std::string("SINNOM"), "SINNOM"}, {"NOMBRE", std::string(""), std::nullopt}}}},
        {"PROFT",
         {C("ABREV", 10), C("NOMBRE", 80), C("DEPART", 40), C("EMAIL", 100)},
         std::nullopt,
         {{{"ABREV", std::string("GARCIAJ"), "GARCIAJ"},
           {"NOMBRE", std::string("García Núñez, María Ángeles"), "García Núñez, María Ángeles"},
           {"DEPART", std::string(40, 'D'), std::string(40, 'D')},
           {"EMAIL", k100, k100}},
          {{"ABREV", std::string("ÑÚÑEZ"), "ÑÚÑEZ"}}}},
        {"AULAT",
         {C("ABREV", 10), C("NOMBRE", 80), C("EDIFICIO", 1), {"MAXALUM", I, 0}, C("ABREV_GESTION", 20)},
         std::nullopt,
         {{{"ABREV", std::string("GIM"), "GIM"}, {"EDIFICIO", std::string("B"), "B"}, {"MAXALUM", 30, "30"}},
          {{"ABREV", std::string("TALLER"), "TALLER"},
           {"EDIFICIO", std::string("AB"), "A"},
           {"MAXALUM", -5, "-5"},
           {"ABREV_GESTION", std::string("ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNOPQRST"}},
          {{"ABREV", std::string("CERO"), "CERO"}, {"MAXALUM", 0, "0"}},
          {{"ABREV", std::string("NULO"), "NULO"}, {"NOMBRE", std::string("Aula Ñandú"), "Aula Ñandú"}},
          {{"ABREV", std::string("MAX"), "MAX"}, {"MAXALUM", INT_MAX, "2147483647"}},
          {{"ABREV", std::string("MIN"), "MIN"}, {"MAXALUM", INT_MIN + 1, "-2147483647"}}}},
        {"GRUPOST",
         {C("ABREV", 10), C("TURNO", 1), C("NIVEL", 5), C("CURSO", 3), C("GRUPO", 2), C("DESCRIP", 80),
          C("MARCO", 1), C("TUTOR", 10)},
         std::nullopt,
         {{{"ABREV", std::string("4ESOC"), "4ESOC"},
           {"TURNO", std::string("M"), "M"},
           {"NIVEL", std::string("ESO12"), "ESO12"},
           {"CURSO", std::string("4ºC"), "4ºC"},
           {"GRUPO", std::string("C1"), "C1"},
           {"DESCRIP", std::string("4º ESO C (Aplicadas)"), "4º ESO C (Aplicadas)"},
           {"MARCO", std::string("1"), "1"}}}},
        {"ASIGT",
         {C("CASIG", 10),
          C("CPROF", 10),
          C("CGRUP", 10),
          C("CAULA", 10),
          C("TURNO", 1),
          C("NIVEL", 5),
          C("CURSO", 3),
          C("GRUPO", 2),
          {"HORAS", F, 0},
          C("SESIONES", 20),
          C("NCONEX", 4),
          C("CTAREA", 10),
          C("ASIG_GESTION", 10)},
         std::nullopt,
         {{{"CASIG", std::string("MAT"), "MAT"},
           {"HORAS", 3.0, "3"},
           {"SESIONES", std::string("111"), "111"}},
          {{"CASIG", std::string("EF"), "EF"}, {"HORAS", 2.5, "2.5"}, {"NCONEX", std::string("1"), "1"}},
          {{"CASIG", std::string("CERO"), "CERO"}, {"HORAS", 0.0, "0"}},
          {{"CASIG", std::string("SINHORAS"), "SINHORAS"}},
          {{"CASIG", std::string("GRANDE"), "GRANDE"}, {"HORAS", 123456789.125, "123456789.125"}},
          {{"CASIG", std::string("NEG"), "NEG"}, {"HORAS", -1.25, "-1.25"}},
          {{"CASIG", std::string("DECIMO"), "DECIMO"},
           {"HORAS", 0.1, "0.1"},
           {"SESIONES", std::string(20, '1'), std::string(20, '1')},
           {"ASIG_GESTION", std::string("Física"), "Física"}}}},
        {"DIASHORAST",
         {C("DIHO", 10), C("CODDIHO", 10), C("DIA", 20), C("TEXTODIA", 20), C("HORA", 8), C("TEXTOHOR", 15),
          C("HORADESDE", 8), C("HORAHASTA", 8), C("MINUTOS", 8), C("MARCO", 1), C("MARCOXML", 10)},
         std::nullopt,
         {{{"DIHO", std::string("1-1"), "1-1"},
           {"DIA", std::string("3"), "3"},
           {"TEXTODIA", std::string("Miércoles"), "Miércoles"},
           {"HORA", std::string("12"), "12"},
           {"HORADESDE", std::string("08:00"), "08:00"},
           {"MINUTOS", std::string("-5"), "-5"}},
          {{"DIHO", std::string("6-1"), "6-1"}, {"TEXTODIA", std::string("Sábado"), "Sábado"}}}},
        {"COUNTSES",
         {C("DURACION", 10), {"NSES", I, 0}},
         IndexDef{"NSES", "NSES"},
         {{{"DURACION", std::string("55"), "55"}, {"NSES", 25, "25"}},
          {{"DURACION", std::string("30"), "30"}, {"NSES", 5, "5"}},
          {{"DURACION", std::string("45"), "45"}}}},
    };
}

// TDbf on Linux looks for the production index with a lower-case extension;
// a scratch copy gives it that name.
fs::path copyForTDbf(const fs::path& dir, const std::string& name, const fs::path& scratch) {
    fs::create_directories(scratch);
    fs::copy_file(dir / (name + ".DBF"), scratch / (name + ".DBF"), fs::copy_options::overwrite_existing);
    if (fs::exists(dir / (name + ".MDX"))) {
        fs::copy_file(dir / (name + ".MDX"), scratch / (name + ".mdx"), fs::copy_options::overwrite_existing);
    }
    return scratch;
}

class ExportTables : public ::testing::TestWithParam<Schema> {};

TEST_P(ExportTables, TDbfReadsWhatWeWrite) {
    const Schema& schema = GetParam();
    TempDir dir;
    Table table(dir.path(), schema.name);
    table.create(schema.fields, schema.index);
    table.open();
    for (const Row& row : schema.rows) {
        table.append();
        for (const Set& s : row) {
            std::visit(
                [&](const auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    if constexpr (std::is_same_v<T, std::string>) {
                        table.setText(s.field, v);
                    } else if constexpr (std::is_same_v<T, int>) {
                        table.setInt(s.field, v);
                    } else if constexpr (std::is_same_v<T, double>) {
                        table.setDouble(s.field, v);
                    } else {
                        table.setBool(s.field, v);
                    }
                },
                s.value);
        }
        table.post();
    }
    const std::vector<FieldInfo> ours = table.fields();
    table.close();

    const Dump dump =
        dumpWithTDbf(copyForTDbf(dir.path(), schema.name, dir / "tdbf"), std::string(schema.name) + ".DBF");
    EXPECT_EQ(dump.level, 7);
    ASSERT_EQ(dump.fields.size(), ours.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(dump.fields[i].name, ours[i].name);
        EXPECT_EQ(dump.fields[i].type, letterOf(ours[i].type));
        EXPECT_EQ(dump.fields[i].width, ours[i].width);
        EXPECT_EQ(dump.fields[i].decimals, ours[i].decimals);
    }
    ASSERT_EQ(dump.records.size(), schema.rows.size());
    for (std::size_t r = 0; r < schema.rows.size(); ++r) {
        EXPECT_EQ(dump.records[r].recno, static_cast<int>(r + 1));
        std::map<std::string, std::optional<std::string>> expected;
        for (const FieldDef& f : schema.fields) {
            expected[f.name] = std::nullopt; // never set: blank, null integer, unset logical
        }
        for (const Set& s : schema.rows[r]) {
            expected[s.field] = s.tdbf;
        }
        for (const auto& [field, value] : expected) {
            EXPECT_EQ(dump.records[r][field], value)
                << schema.name << " record " << r + 1 << " field " << field;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Schemas, ExportTables, ::testing::ValuesIn(exportSchemas()),
                         [](const auto& info) { return std::string(info.param.name); });

const std::vector<FieldDef> kCountses = {{"DURACION", FieldType::Character, 10},
                                         {"NSES", FieldType::Integer, 0}};

// The record numbers in the order TDbf walks COUNTSES by its tag NSES. TDbf
// also searches every value by key, going down the tree through the inner
// nodes, and must land on the first record of that value in the walk.
std::vector<int> walkByNses(const fs::path& dir, std::vector<std::int64_t>* nses = nullptr) {
    const Dump dump = dumpWithTDbf(copyForTDbf(dir, "COUNTSES", dir / "tdbf"), "COUNTSES.DBF", "NSES", true);
    std::vector<int> order;
    std::map<std::int64_t, int> firstOfValue;
    for (const auto& record : dump.records) {
        order.push_back(record.recno);
        const std::int64_t value = std::stoll(record["NSES"].value_or("0"));
        firstOfValue.emplace(value, record.recno);
        if (nses != nullptr) {
            nses->push_back(value);
        }
    }
    EXPECT_EQ(dump.seeks.size(), firstOfValue.size());
    for (const auto& [value, found] : dump.seeks) {
        EXPECT_EQ(found, firstOfValue[value]) << "TDbf's search for NSES " << value;
    }
    return order;
}

TEST(CountsesIndex, TDbfWalksTheReferenceRecordsInIndexOrder) {
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
    EXPECT_EQ(walkByNses(dir.path()), (std::vector<int>{5, 4, 6, 2, 7, 3, 1}));

    // Counting as the export does: locate the length, add one.
    table.open();
    for (const char* duracion : {"45", "45", "45", "30", "90"}) {
        if (table.locate("DURACION", duracion)) {
            table.edit();
            table.setInt("NSES", table.getInt("NSES") + 1);
        } else {
            table.append();
            table.setText("DURACION", duracion);
            table.setInt("NSES", 1);
        }
        table.post();
    }
    table.close();
    // NSES now 25, 6, 12, 3, 4, 3, 10, 1
    EXPECT_EQ(walkByNses(dir.path()), (std::vector<int>{8, 4, 6, 5, 2, 7, 3, 1}));
}

// Enough records for leaves and an inner level (and, at 4100, two inner
// levels), with nulls, negatives and many equal keys; then edits.
class CountsesManyRecords : public ::testing::TestWithParam<int> {};

TEST_P(CountsesManyRecords, TDbfWalksEveryRecordInAscendingOrder) {
    int count = GetParam();
    std::mt19937 random(static_cast<unsigned>(count));
    TempDir dir;
    Table table(dir.path(), "COUNTSES");
    table.create(kCountses, IndexDef{"NSES", "NSES"});
    table.open();
    for (int i = 0; i < count; ++i) {
        table.append();
        table.setText("DURACION", std::to_string(i));
        if (i % 13 != 5) {
            table.setInt("NSES", static_cast<int>(random() % 300) - 100);
        }
        table.post();
    }
    table.close();

    const auto check = [&] {
        std::vector<std::int64_t> nses;
        const std::vector<int> order = walkByNses(dir.path(), &nses);
        ASSERT_EQ(order.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 1; i < order.size(); ++i) {
            ASSERT_TRUE(nses[i - 1] < nses[i] || (nses[i - 1] == nses[i] && order[i - 1] < order[i]))
                << "position " << i;
        }
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(sorted[static_cast<std::size_t>(i)], i + 1);
        }
    };
    check();

    table.open();
    for (int i = 0; i < count; i += 7) {
        ASSERT_TRUE(table.locate("DURACION", std::to_string(i)));
        table.edit();
        table.setInt("NSES", 5000 - i);
        table.post();
    }
    for (int i = 0; i < 10; ++i) {
        table.append();
        table.setText("DURACION", "N" + std::to_string(i));
        table.setInt("NSES", -1000 + i % 3);
        table.post();
    }
    table.close();
    count += 10;
    check();
}

INSTANTIATE_TEST_SUITE_P(Sizes, CountsesManyRecords, ::testing::Values(64, 500, 4100));

struct SolucCase {
    int level;
    const char* mode; // how dbfwrite declares DIA and HORA
    char numberType;  // what TDbf makes of them
};

void PrintTo(const SolucCase& c, std::ostream* os) {
    *os << "level " << c.level << " " << c.mode;
}

class SolucFromTDbf : public ::testing::TestWithParam<SolucCase> {};

TEST_P(SolucFromTDbf, WeReadWhatTDbfWrites) {
    const SolucCase& c = GetParam();
    TempDir dir;
    runPascal("dbfwrite", {dir.path().string(), std::to_string(c.level), c.mode});
    Table table(dir.path(), "SOLUC");
    table.open();
    EXPECT_EQ(table.level(), c.level);
    ASSERT_TRUE(table.hasField("DIA"));
    for (const FieldInfo& f : table.fields()) {
        if (f.name == "DIA" || f.name == "HORA") {
            EXPECT_EQ(letterOf(f.type), c.numberType) << f.name;
        }
    }
    struct Expected {
        const char* asig;
        int dia;
        const char* hora; // as text; "" for a null
        const char* grupo;
        const char* prof;
        const char* aula;
    };
    const Expected expected[] = {
        {"MAT", 1, "1", "1ESOA", "GARCIAJ", "INF1"},    {"LCL", 3, "2", "2BACHB", "PEREZM1", "LAB"},
        {"EF", 2, "10", "1ESOA", "ABCDEFGHIJ", "GIM"},  {"GUARDIA", 5, "4", "", "NÚÑEZ", ""},
        {"MAT", 0, "3", "1ESOA", "GARCIAJ", "INF1"},    {"MAT", 4, "0", "1ESOA", "GARCIAJ", "INF1"},
        {"MAT", 6, "", "1ESOA", "GARCIAJ", "INF1"},     {"NEG", -1, "-9", "2BACHB", "PEREZM1", "LAB"},
        {"LCL", 7, "99", "2BACHB", "PEREZM1", "AULAÑ"},
    };
    EXPECT_EQ(table.recordCount(), std::size(expected)); // the deleted record is skipped
    table.first();
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.asig);
        ASSERT_FALSE(table.eof());
        EXPECT_EQ(table.getText("ASIG"), e.asig);
        EXPECT_EQ(table.getInt("DIA"), e.dia);
        EXPECT_EQ(table.getText("DIA"), std::to_string(e.dia));
        EXPECT_EQ(table.getText("HORA"), e.hora);
        EXPECT_EQ(table.getInt("HORA"), std::string(e.hora).empty() ? 0 : std::stoi(e.hora));
        EXPECT_EQ(table.getText("CODGRUPO"), e.grupo);
        EXPECT_EQ(table.getText("PROF"), e.prof);
        EXPECT_EQ(table.getText("AULA"), e.aula);
        table.next();
    }
    EXPECT_TRUE(table.eof());
    EXPECT_FALSE(table.locate("ASIG", "BORRADO"));
    ASSERT_TRUE(table.locate("HORA", "99"));
    EXPECT_EQ(table.getText("AULA"), "AULAÑ");
    table.close();
}

INSTANTIATE_TEST_SUITE_P(Levels, SolucFromTDbf,
                         ::testing::Values(SolucCase{3, "numeric", 'N'}, SolucCase{3, "integer", 'N'},
                                           SolucCase{4, "numeric", 'N'}, SolucCase{4, "integer", 'N'},
                                           SolucCase{7, "numeric", 'N'}, SolucCase{7, "integer", 'I'}),
                         [](const auto& info) {
                             return "Level" + std::to_string(info.param.level) + "_" + info.param.mode;
                         });

// TDbf's own index (a tag DIA in a lower-case SOLUC.mdx) is found, rebuilt
// after our edits, and still walked correctly by TDbf.
TEST(SolucFromTDbf, ItsLowerCaseIndexIsKeptUpToDate) {
    TempDir dir;
    runPascal("dbfwrite", {dir.path().string(), "7", "integer"});
    ASSERT_TRUE(fs::exists(dir / "SOLUC.mdx"));
    Table table(dir.path(), "SOLUC");
    table.open();
    ASSERT_TRUE(table.locate("ASIG", "NEG"));
    table.edit();
    table.setInt("DIA", 8);
    table.post();
    table.append();
    table.setText("ASIG", "NUEVA");
    table.setInt("DIA", 2);
    table.post();
    table.close();
    EXPECT_FALSE(fs::exists(dir / "SOLUC.MDX") && !fs::equivalent(dir / "SOLUC.MDX", dir / "SOLUC.mdx"));

    const Dump dump = dumpWithTDbf(dir.path(), "SOLUC.DBF", "DIA");
    std::vector<int> order;
    for (const auto& r : dump.records) {
        order.push_back(r.recno);
    }
    // DIA by record: 1, 3, 2, 5, 0, 4, 6, (8 deleted: 1), 8, 7, 2
    EXPECT_EQ(order, (std::vector<int>{5, 1, 3, 11, 2, 6, 4, 7, 10, 9}));
}

} // namespace
} // namespace vinculor
