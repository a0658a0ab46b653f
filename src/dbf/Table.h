#pragma once

#include "dbf/FieldDef.h"
#include "dbf/FieldInfo.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

class TableData;

// One dBase table (the .DBF file and, where it has one, its .MDX), bound to a
// directory and a name such as "ASIGNOMT". Text is UTF-8 here and code page
// 1252 on disk. Every failure throws vinculor::Error naming the table.
//
// An open table holds its file exclusively. Changes are kept in memory and
// written when the table is closed; destroying an open table closes it
// without writing.
class Table {
public:
    Table();
    Table(std::filesystem::path directory, std::string name);
    ~Table();
    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // The table in exactly this data file, where a directory may also hold
    // another whose name differs only in letter case (to show a file the
    // user names; create() still makes "<NAME>.DBF" in its directory, and
    // from then on the table is that one).
    static Table inFile(const std::filesystem::path& dataFile);

    // Binding an open table discards it first.
    void bind(std::filesystem::path directory, std::string name);
    const std::string& name() const { return name_; }
    const std::filesystem::path& directory() const { return directory_; }
    // The data file: the existing one found without regard to letter case, or
    // the upper-case "<NAME>.DBF" that create() makes.
    std::filesystem::path dataPath() const;

    // Makes a new empty table (level 7, code page 1252), replacing any file of
    // that name, and its .MDX when an index is given. The table stays closed.
    void create(const std::vector<FieldDef>& fields, const std::optional<IndexDef>& index = std::nullopt);

    void open();
    // Writes what changed (data and index) and releases the file.
    void close();
    // Releases the file without writing; for a run that ends in an error.
    void discard() noexcept;
    bool isOpen() const;

    // append/edit start a change of a new or the current record; set* assign
    // fields of it; post keeps it. A field never set in an appended record is
    // empty (blanks; a null integer), or, after append(start), as `start` has
    // it. An integer field cannot hold -2147483648 (its bytes are those of a
    // null): setInt refuses it.
    void append();
    void edit();
    void post();
    void setText(std::string_view field, std::string_view utf8);
    void setBool(std::string_view field, bool value);
    void setInt(std::string_view field, std::int32_t value);
    void setDouble(std::string_view field, double value);

    // Navigation over live records in stored order; deleted records are skipped.
    void first();
    void next();
    bool eof() const;

    // The current record's value. Text without trailing blanks; a number as
    // plain decimal text, an integral one without decimals; an empty numeric
    // field reads as 0 (and as "" in text). A logical field reads as "T", "F",
    // or "" when unset.
    std::string getText(std::string_view field) const;
    std::int32_t getInt(std::string_view field) const;
    double getDouble(std::string_view field) const;
    std::int32_t getFirstFieldInt() const;

    // Makes current the first live record whose field equals `value` exactly
    // (whole value, letter case significant). False when none does; the
    // current record then stays where it was.
    bool locate(std::string_view field, std::string_view value);

    // A field found once by its name, for loops that read or write it on
    // every record: the calls that take one skip the search by name. An
    // appended record is laid out blank in place and these write its fields
    // where they lie; text is converted to code page 1252 only where it is not
    // ASCII.
    struct Field {
        std::size_t number = 0;
    };
    // Throws, as the calls by name do, when the table has no such field.
    Field field(std::string_view name) const;
    void setText(Field field, std::string_view utf8);
    void setBool(Field field, bool value);
    void setInt(Field field, std::int32_t value);
    void setDouble(Field field, double value);
    std::string getText(Field field) const;
    // The same text without a copy where the record holds it as it reads
    // (ASCII): valid until the table moves to another record or changes, or
    // the same field is read again.
    std::string_view viewText(Field field) const;
    std::int32_t getInt(Field field) const;
    double getDouble(Field field) const;
    bool locate(Field field, std::string_view value);
    // Whether two fields of the current record read as the same text.
    bool sameText(Field a, Field b) const;
    // The current record's bytes as stored: the deletion flag, then each field
    // at the offset that fields() gives, for a reader that resolves its fields
    // once. Valid until the table moves to another record or changes.
    const char* recordBytes() const;

    // A record laid out apart from the table, for the fields that a run of
    // appended records shares: written once into it, then append(start)
    // begins each record of the run as its copy.
    class Record {
    private:
        friend class Table;
        std::string bytes_;
    };
    // A record of this open table whose fields were never set.
    Record blankRecord() const;
    void setText(Record& record, Field field, std::string_view utf8) const;
    void append(const Record& start);

    std::size_t recordCount() const; // live records
    const std::vector<FieldInfo>& fields() const;
    bool hasField(std::string_view field) const;
    int level() const; // 3, 4 or 7

private:
    void appendCopy(const char* record);

    std::filesystem::path directory_;
    std::string name_;
    std::filesystem::path file_; // the data file when named exactly; empty when found by name
    std::unique_ptr<TableData> data_;
};

// Deletes "<name>.DBF" and "<name>.MDX" in `directory` where they exist (any
// letter case), ignoring a failure.
void deleteTableFiles(const std::filesystem::path& directory, std::string_view name);

} // namespace vinculor
