#pragma once

#include "dbf/DbfFieldCodec.h"
#include "dbf/DbfHeader.h"
#include "dbf/FirstRecordMap.h"
#include "dbf/MdxIndex.h"
#include "dbf/RecordStore.h"
#include "dbf/RecordWindow.h"
#include "files/FileSystem.h"
#include "files/TableLock.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

// The first byte of a record.
inline constexpr char kLiveRecord = ' ';
inline constexpr char kDeletedRecord = '*';

// The state of an open table, behind Table: the header bytes as read (or
// made), the records in stored order, the live ones listed by position, the
// change in progress, and the lookup maps that locate() builds.
class TableData {
public:
    std::filesystem::path path;
    TableLock lock;
    DbfHeader header;
    std::string headerBytes;
    // The records are read from the file when first needed. Until then the
    // table can be walked from its first record forward (first, next, get)
    // through a window of records read a piece at a time, so that a large
    // table only read once from start to end is never held whole.
    bool loaded = false;
    RecordStore records;                            // recordCount records, once loaded
    std::unique_ptr<files::AtomicFileWriter> spill; // the new data file, once records went to it
    std::size_t recordCount = 0;
    std::vector<std::uint32_t> live; // physical numbers (0-based) of live records, ascending, once loaded
    std::size_t position = 0;        // into `live`; live.size() is end of file
    // The walk before loading: the current record's physical number
    // (recordCount at the end) and its place among the live ones.
    std::size_t walkRecord = 0;
    std::size_t walkPosition = 0;
    mutable std::optional<std::size_t> liveCount; // known once counted or walked to the end
    mutable RecordWindow window;                  // the walk's records, until loaded
    enum class Change { None, Append, Edit } change = Change::None;
    std::string buffer;       // the record being edited
    char* appended = nullptr; // the record being appended, in place at the end of `records`
    std::string blankRecord;  // a record whose fields were never set
    bool dirty = false;
    std::optional<MdxIndex::Tag> index;
    std::size_t indexField = 0;
    bool indexUnknown = false;
    std::optional<std::filesystem::path> mdxPath;
    // field number -> text -> place in `live` of the first live record with that text
    std::map<std::size_t, FirstRecordMap> lookups;
    std::vector<FirstRecordMap*> lookupOf; // the same by field number, for the search
    // Per field, the text that viewText() last had to convert.
    mutable std::vector<std::string> converted;

    const char* record(std::uint32_t r) const { return records.at(r); }

    // Record r read through the window, for the walk before loading.
    const char* windowRecord(std::size_t r) const {
        const char* record = window.at(lock, r);
        if (record == nullptr) [[unlikely]] {
            shrank();
        }
        return record;
    }

    [[noreturn]] void shrank() const;

    // The first live record from r on, or recordCount.
    std::size_t nextLive(std::size_t r) const {
        while (r < recordCount && windowRecord(r)[0] == kDeletedRecord) {
            ++r;
        }
        return r;
    }

    // The live records of the file, counted apart from the walk's window, so
    // that the text the window shows stays where it is.
    std::size_t countLive() const;

    // Reads every record, once; the walk's place becomes the current record.
    void load();

    std::string textOf(std::size_t field, const char* rec) const {
        const FieldInfo& f = header.fields[field];
        return DbfFieldCodec::text(f, rec + f.offset);
    }
};

} // namespace vinculor
