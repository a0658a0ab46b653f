#include "dbf/Table.h"

#include "base/Error.h"
#include "dbf/DbfFieldCodec.h"
#include "dbf/DbfHeader.h"
#include "dbf/MdxIndex.h"
#include "files/FileSystem.h"
#include "files/TableLock.h"
#include "text/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vinculor {

namespace fs = std::filesystem;

namespace {

constexpr char kEndOfFile = 0x1A;
constexpr char kLive = ' ';
constexpr char kDeleted = '*';

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return out;
}

// Every file in `directory` whose name equals `fileName` without regard to
// letter case: on a case-sensitive file system "SOLUC.DBF" and "soluc.dbf"
// can both be there.
std::vector<fs::path> caseVariants(const fs::path& directory, std::string_view fileName) {
    std::vector<fs::path> found;
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) {
        return found;
    }
    const std::string wanted = upperAscii(fileName);
    // Stepped with an error code: a directory that fails half-way is read as far as it goes.
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (upperAscii(files::toUtf8(it->path().filename())) == wanted && it->is_regular_file(typeError)) {
            found.push_back(it->path());
        }
    }
    return found;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

char upperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Field names are matched without regard to ASCII letter case, without making
// an upper-case copy of the name on every call.
bool sameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperChar(a[i]) != upperChar(b[i])) {
            return false;
        }
    }
    return true;
}

// The first field of that name. A table has a handful of fields: a scan of
// them is quicker than hashing the name.
std::optional<std::size_t> findField(const std::vector<FieldInfo>& fields, std::string_view name) noexcept {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (sameName(fields[i].name, name)) {
            return i;
        }
    }
    return std::nullopt;
}

// Text -> first record, looked up with any string_view.
// Field values are short: eight bytes at a time.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
        std::size_t i = 0;
        for (; i + 8 <= s.size(); i += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, s.data() + i, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        if (i < s.size()) {
            std::uint64_t w = 0;
            std::memcpy(&w, s.data() + i, s.size() - i);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
        }
        h = (h ^ (h >> 29)) * 0x94D049BB133111EBull;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};
// Text -> place in `live` of the first record with that text, in one array
// probed linearly, with texts of up to 16 bytes kept in the entry itself and
// longer ones in one arena: a search touches one entry, where a node-based
// map would chase two or three pointers across a large table.
class FirstRecordMap {
public:
    void reserve(std::size_t n) {
        std::size_t capacity = 16;
        while (capacity < 2 * n) {
            capacity *= 2;
        }
        if (capacity > entries_.size()) {
            rehash(capacity);
        }
    }

    std::uint32_t* find(std::string_view text) {
        Entry* e = entryOf(text);
        return e != nullptr ? &e->place : nullptr;
    }

    // Adds the text unless it is there already.
    void emplace(std::string_view text, std::uint32_t place) {
        if (2 * (used_ + 1) > entries_.size()) {
            rehash(entries_.empty() ? 16 : 2 * entries_.size());
        }
        const std::uint64_t h = hashOf(text);
        for (std::size_t i = h & (entries_.size() - 1);; i = (i + 1) & (entries_.size() - 1)) {
            Entry& e = entries_[i];
            if (e.hash == kEmpty) {
                store(e, h, text, place);
                ++used_;
                return;
            }
            if (e.hash == h && e.length == text.size() && textOf(e) == text) {
                return;
            }
        }
    }

    // Removes the text: its entry stays as a marker that searches go past.
    void erase(std::string_view text) {
        if (Entry* e = entryOf(text)) {
            e->length = kGone;
        }
    }

private:
    static constexpr std::uint64_t kEmpty = 0;
    static constexpr std::uint32_t kGone = UINT32_MAX; // a length no text has
    static constexpr std::size_t kInline = 16;

    struct Entry {
        std::uint64_t hash = kEmpty;
        char inlineText[kInline] = {};
        std::uint64_t offset = 0; // into the arena, for longer texts
        std::uint32_t length = 0;
        std::uint32_t place = 0;
    };

    Entry* entryOf(std::string_view text) {
        if (entries_.empty()) {
            return nullptr;
        }
        const std::uint64_t h = hashOf(text);
        for (std::size_t i = h & (entries_.size() - 1);; i = (i + 1) & (entries_.size() - 1)) {
            Entry& e = entries_[i];
            if (e.hash == kEmpty) {
                return nullptr;
            }
            if (e.hash == h && e.length == text.size() && textOf(e) == text) {
                return &e;
            }
        }
    }

    static std::uint64_t hashOf(std::string_view text) {
        const std::uint64_t h = TextHash{}(text);
        return h == kEmpty ? 1 : h;
    }

    std::string_view textOf(const Entry& e) const {
        return e.length <= kInline ? std::string_view(e.inlineText, e.length)
                                   : std::string_view(arena_.data() + e.offset, e.length);
    }

    void store(Entry& e, std::uint64_t h, std::string_view text, std::uint32_t place) {
        e.hash = h;
        e.length = static_cast<std::uint32_t>(text.size());
        e.place = place;
        if (text.size() <= kInline) {
            std::memcpy(e.inlineText, text.data(), text.size());
        } else {
            e.offset = arena_.size();
            arena_.append(text);
        }
    }

    void rehash(std::size_t capacity) {
        std::vector<Entry> old(capacity);
        old.swap(entries_);
        used_ = 0;
        for (const Entry& e : old) {
            if (e.hash == kEmpty || e.length == kGone) {
                continue;
            }
            for (std::size_t i = e.hash & (capacity - 1);; i = (i + 1) & (capacity - 1)) {
                if (entries_[i].hash == kEmpty) {
                    entries_[i] = e;
                    ++used_;
                    break;
                }
            }
        }
    }

    std::vector<Entry> entries_; // a power of two of them, at most half in use
    std::size_t used_ = 0;       // entries in use, removed ones included
    std::string arena_;
};

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

FieldInfo physicalField(const FieldDef& def) {
    FieldInfo f;
    f.name = upperAscii(def.name);
    switch (def.type) {
    case FieldType::Character:
        f.type = 'C';
        f.width = def.width;
        break;
    case FieldType::Boolean:
        f.type = 'L';
        f.width = 1;
        break;
    case FieldType::Integer:
        f.type = 'I';
        f.width = 4;
        break;
    case FieldType::Float:
        // A floating-point field is written as numeric text, N 18.8, not as the
        // level-7 binary double O. Both are level-7 types, and TDbf reads both;
        // but N is the type every dBase engine reads at every level, and its
        // bytes mean the same to all of them, while the O bytes are described
        // in two incompatible ways (a plain double, or TDbf's big-endian form
        // with the sign bit flipped) and an engine that took the other reading
        // would see wrong hours without any error. N 18.8 is also what TDbf
        // itself makes of a float field, and it holds every value the program
        // writes (3, 5, 2.5, ...) exactly.
        f.type = 'N';
        f.width = 18;
        f.decimals = 8;
        break;
    }
    return f;
}

} // namespace

// The records of a loaded table, in blocks of about a megabyte: a growing
// table is never copied to grow. Once the blocks of a changed table pass
// kKeptBytes, the oldest full ones go to the file that close() finishes (a
// temporary file beside the data file, renamed over it) and are read back
// from there when needed.
class RecordStore {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
    static constexpr std::size_t kKeptBytes = std::size_t{2} << 20;

    void reset(std::size_t recordLength, std::size_t headerLength) {
        length_ = recordLength;
        headerLength_ = headerLength;
        perBlock_ = std::max<std::size_t>(1, kBlockBytes / recordLength);
        blocks_.clear();
        count_ = 0;
        onDisk_ = 0;
    }

    std::size_t size() const { return count_; }
    std::size_t blockCount() const { return blocks_.size(); }
    std::size_t onDisk() const { return onDisk_; }

    // The record's bytes, valid until the next call.
    const char* at(std::size_t r) const {
        const std::size_t b = r / perBlock_;
        const std::size_t inBlock = (r % perBlock_) * length_;
        if (b >= onDisk_) {
            return blocks_[b].data() + inBlock;
        }
        if (reloaded_ != b) {
            reload_.resize(perBlock_ * length_);
            file_->readAt(offsetOf(b), reload_.data(), reload_.size());
            reloaded_ = b;
        }
        return reload_.data() + inBlock;
    }

    void replace(std::size_t r, const char* record) {
        const std::size_t b = r / perBlock_;
        const std::size_t inBlock = (r % perBlock_) * length_;
        if (b >= onDisk_) {
            std::memcpy(blocks_[b].data() + inBlock, record, length_);
            return;
        }
        file_->writeAt(offsetOf(b) + inBlock, std::string_view(record, length_));
        if (reloaded_ == b) {
            std::memcpy(reload_.data() + inBlock, record, length_);
        }
    }

    void append(const char* record) {
        if (blocks_.empty() || blocks_.back().size() == perBlock_ * length_) {
            blocks_.emplace_back();
            blocks_.back().reserve(perBlock_ * length_);
        }
        blocks_.back().append(record, length_);
        ++count_;
    }

    // Reads `count` records of the data file after its header.
    void load(const TableLock& lock, std::size_t count) {
        while (count_ < count) {
            const std::size_t n = std::min(perBlock_, count - count_);
            std::string block(n * length_, '\0');
            if (lock.readAt(headerLength_ + std::uint64_t{count_} * length_, block.data(), block.size()) !=
                block.size()) {
                throw Error("La tabla ha cambiado de tamaño mientras estaba abierta.");
            }
            block.reserve(perBlock_ * length_);
            blocks_.push_back(std::move(block));
            count_ += n;
        }
    }

    // Moves the oldest full blocks to `file` while more than kKeptBytes are in memory.
    bool wantsToSpill() const { return (blocks_.size() - onDisk_) * perBlock_ * length_ > kKeptBytes; }
    void spill(files::AtomicFileWriter& file) {
        file_ = &file;
        while ((blocks_.size() - onDisk_) * perBlock_ * length_ > kKeptBytes / 2 &&
               onDisk_ + 1 < blocks_.size()) {
            file.writeAt(offsetOf(onDisk_), blocks_[onDisk_]);
            std::string().swap(blocks_[onDisk_]); // frees the block: assigning an empty text would keep it
            ++onDisk_;
        }
    }

    // The blocks still in memory, with where they go in the file.
    template <typename Visit> void forEachInMemory(Visit visit) const {
        for (std::size_t b = onDisk_; b < blocks_.size(); ++b) {
            visit(offsetOf(b), std::string_view(blocks_[b]));
        }
    }

private:
    std::uint64_t offsetOf(std::size_t block) const {
        return headerLength_ + std::uint64_t{block} * perBlock_ * length_;
    }

    std::size_t length_ = 1;
    std::size_t headerLength_ = 0;
    std::size_t perBlock_ = 1;
    std::vector<std::string> blocks_;
    std::size_t count_ = 0;
    std::size_t onDisk_ = 0; // blocks [0, onDisk_) are in the file only
    files::AtomicFileWriter* file_ = nullptr;
    mutable std::string reload_;
    mutable std::size_t reloaded_ = SIZE_MAX;
};

// The state of an open table: the header bytes as read (or made), all records
// in one buffer in stored order, the live ones listed by position, the change
// in progress, and the lookup maps that locate() builds.
class TableData {
public:
    fs::path path;
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
    mutable std::string window;
    mutable std::size_t windowFirst = 0;
    mutable std::size_t windowCount = 0;
    mutable std::size_t windowBytes = 4 * 1024;
    enum class Change { None, Append, Edit } change = Change::None;
    std::string buffer;      // the record being appended or edited
    std::string blankRecord; // a record whose fields were never set
    bool dirty = false;
    std::optional<MdxIndex::Tag> index;
    std::size_t indexField = 0;
    bool indexUnknown = false;
    std::optional<fs::path> mdxPath;
    // field number -> text -> place in `live` of the first live record with that text
    std::map<std::size_t, FirstRecordMap> lookups;
    std::vector<FirstRecordMap*> lookupOf; // the same by field number, for the search
    // Field names recently found, by the address of the caller's text.
    struct NameSeen {
        const char* name = nullptr;
        std::size_t size = 0;
        std::size_t field = 0;
    };
    mutable std::array<NameSeen, 32> namesSeen{};
    // Per field, the text that viewText() last had to convert.
    mutable std::vector<std::string> converted;

    const char* record(std::uint32_t r) const { return records.at(r); }

    // Record r read through the window, for the walk before loading.
    const char* windowRecord(std::size_t r) const {
        if (r < windowFirst || r >= windowFirst + windowCount) [[unlikely]] {
            readWindow(r);
        }
        return window.data() + (r - windowFirst) * header.recordLength;
    }

    [[gnu::noinline]] void readWindow(std::size_t r) const {
        // Small at first, as a table may be opened and never walked; up to
        // 4 MB once it is.
        windowBytes = std::min<std::size_t>(windowBytes * 4, std::size_t{4} << 20);
        const std::size_t length = header.recordLength;
        const std::size_t count = std::min(recordCount - r, std::max<std::size_t>(1, windowBytes / length));
        window.resize(count * length);
        const std::size_t got =
            lock.readAt(header.headerLength + std::uint64_t{r} * length, window.data(), window.size());
        if (got != window.size()) {
            shrank();
        }
        windowFirst = r;
        windowCount = count;
    }

    [[noreturn]] void shrank() const {
        throw Error("La tabla «" + files::toUtf8(path) + "» ha cambiado de tamaño mientras estaba abierta.");
    }

    // The first live record from r on, or recordCount.
    std::size_t nextLive(std::size_t r) const {
        while (r < recordCount && windowRecord(r)[0] == kDeleted) {
            ++r;
        }
        return r;
    }

    // Reads every record, once; the walk's place becomes the current record.
    void load() {
        if (loaded) {
            return;
        }
        records.reset(header.recordLength, header.headerLength);
        records.load(lock, recordCount);
        live.reserve(recordCount);
        for (std::size_t r = 0; r < recordCount; ++r) {
            if (records.at(r)[0] != kDeleted) {
                live.push_back(static_cast<std::uint32_t>(r));
            }
        }
        position = walkRecord >= recordCount
                       ? live.size()
                       : static_cast<std::size_t>(std::lower_bound(live.begin(), live.end(), walkRecord) -
                                                  live.begin());
        std::string().swap(window);
        windowCount = 0;
        loaded = true;
    }

    std::string textOf(std::size_t field, const char* rec) const {
        const FieldInfo& f = header.fields[field];
        if (f.type == 'C') {
            // The common case inline: text without trailing blanks, ASCII as it is.
            const std::string_view bytes = storedText(f, rec);
            bool ascii = true;
            for (const char c : bytes) {
                ascii &= static_cast<unsigned char>(c) < 0x80;
            }
            return ascii ? std::string(bytes) : DbfFieldCodec::text(f, rec + f.offset);
        }
        return DbfFieldCodec::text(f, rec + f.offset);
    }

    // A character field's bytes without trailing blanks (or zeros), as stored.
    static std::string_view storedText(const FieldInfo& f, const char* rec) {
        const char* p = rec + f.offset;
        std::size_t n = static_cast<std::size_t>(f.width);
        while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) {
            --n;
        }
        return std::string_view(p, n);
    }
};

Table::Table() = default;

Table::Table(fs::path directory, std::string name)
    : directory_(std::move(directory)), name_(std::move(name)) {}

Table::~Table() = default;
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;

void Table::bind(fs::path directory, std::string name) {
    discard();
    directory_ = std::move(directory);
    name_ = std::move(name);
}

fs::path Table::dataPath() const {
    const std::string fileName = upperAscii(name_) + ".DBF";
    if (auto found = files::findCaseInsensitive(directory_, fileName)) {
        return *found;
    }
    return directory_ / files::fromUtf8(fileName);
}

namespace {

void requireDirectory(const fs::path& directory) {
    if (!files::isDirectory(directory)) {
        throw Error("No existe el directorio de Horavia «" + files::toUtf8(directory) + "».");
    }
}

[[noreturn]] void cannotCreate(const std::string& table, const std::string& cause) {
    throw Error("No se puede crear la tabla " + table + ": " + cause + ".");
}

std::vector<FieldInfo> checkedFields(const std::string& table, const std::vector<FieldDef>& defs) {
    if (defs.empty()) {
        cannotCreate(table, "no tiene campos");
    }
    std::vector<FieldInfo> fields;
    std::size_t recordLength = 1;
    for (const FieldDef& def : defs) {
        if (def.name.empty() || def.name.size() > 31 || !isLetter(def.name[0]) ||
            !std::all_of(def.name.begin(), def.name.end(), isNameChar)) {
            cannotCreate(table, "el nombre de campo «" + def.name + "» no es válido");
        }
        if (def.type == FieldType::Character && (def.width < 1 || def.width > 254)) {
            cannotCreate(table, "el campo " + def.name + " tiene una anchura de " +
                                    std::to_string(def.width) + " (debe estar entre 1 y 254)");
        }
        FieldInfo f = physicalField(def);
        for (const FieldInfo& other : fields) {
            if (other.name == f.name) {
                cannotCreate(table, "el campo " + f.name + " está repetido");
            }
        }
        f.offset = static_cast<int>(recordLength);
        recordLength += static_cast<std::size_t>(f.width);
        fields.push_back(std::move(f));
    }
    if (recordLength > 0xFFFF || 68 + 48 * fields.size() + 1 > 0xFFFF) {
        cannotCreate(table, "los campos no caben en un registro");
    }
    return fields;
}

std::size_t checkedIndexField(const std::string& table, const std::vector<FieldInfo>& fields,
                              const IndexDef& index) {
    if (index.tag.empty() || index.tag.size() > 32 ||
        !std::all_of(index.tag.begin(), index.tag.end(), isNameChar)) {
        cannotCreate(table, "el nombre de índice «" + index.tag + "» no es válido");
    }
    const std::string wanted = upperAscii(index.field);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == wanted) {
            if (!DbfFieldCodec::isNumericType(fields[i].type)) {
                cannotCreate(table, "el índice " + index.tag + " solo puede ser de un campo numérico");
            }
            return i;
        }
    }
    cannotCreate(table,
                 "el índice " + index.tag + " es del campo " + index.field + ", que la tabla no tiene");
}

std::string indexFile(const TableData& d, std::string_view tableName) {
    const FieldInfo& f = d.header.fields[d.indexField];
    std::vector<MdxIndex::Entry> entries;
    entries.reserve(d.recordCount);
    for (std::uint32_t r = 0; r < d.recordCount; ++r) {
        const char* field = d.record(r) + f.offset;
        MdxIndex::Entry e;
        e.value = DbfFieldCodec::indexValue(f, field);
        e.record = r + 1;
        // An empty or null value is indexed as 0.
        const std::string shown = (f.type == 'N' || f.type == 'F')
                                      ? text::trim(std::string_view(field, static_cast<std::size_t>(f.width)))
                                      : DbfFieldCodec::text(f, field);
        e.key = MdxIndex::numericKey(shown.empty() ? "0" : shown);
        entries.push_back(e);
    }
    return MdxIndex::build(tableName, *d.index, std::move(entries), DbfDate::today());
}

} // namespace

void Table::create(const std::vector<FieldDef>& fields, const std::optional<IndexDef>& index) {
    discard();
    requireDirectory(directory_);
    const std::vector<FieldInfo> infos = checkedFields(name_, fields);
    TableData d;
    d.header.fields = infos;
    if (index) {
        d.indexField = checkedIndexField(name_, infos, *index);
        d.index = MdxIndex::Tag{upperAscii(index->tag), infos[d.indexField].name, 'N'};
    }
    std::string image = DbfHeader::buildLevel7(infos, index.has_value());
    DbfHeader::stamp(image, DbfDate::today(), 0, index.has_value());
    image += kEndOfFile;
    const std::string upper = upperAscii(name_);
    const std::string mdx = index ? indexFile(d, upper) : std::string();

    // Whatever table of this name exists is replaced, unless someone holds it.
    const std::vector<fs::path> oldData = caseVariants(directory_, upper + ".DBF");
    std::vector<TableLock> held;
    for (const fs::path& p : oldData) {
        held.push_back(TableLock::acquire(p, name_));
    }
#ifdef _WIN32
    held.clear(); // a file open without sharing cannot be replaced
#endif
    const fs::path dataFile = directory_ / files::fromUtf8(upper + ".DBF");
    files::writeFileAtomic(dataFile, image);
    held.clear();
    for (const fs::path& p : oldData) {
        if (!sameFile(p, dataFile)) {
            files::removeFileQuietly(p);
        }
    }

    const std::vector<fs::path> oldIndex = caseVariants(directory_, upper + ".MDX");
    const fs::path indexPath = directory_ / files::fromUtf8(upper + ".MDX");
    if (index) {
        files::writeFileAtomic(indexPath, mdx);
    }
    for (const fs::path& p : oldIndex) {
        if (!index || !sameFile(p, indexPath)) {
            files::removeFileQuietly(p);
        }
    }
}

void Table::open() {
    if (data_) {
        return;
    }
    requireDirectory(directory_);
    const std::string upper = upperAscii(name_);
    const auto found = files::findCaseInsensitive(directory_, upper + ".DBF");
    if (!found) {
        throw Error("No existe la tabla " + name_ + " en «" + files::toUtf8(directory_) + "».");
    }
    auto d = std::make_unique<TableData>();
    d->path = *found;
    d->lock = TableLock::acquire(d->path, name_);
    // The header now; the records when they are needed.
    const std::uint64_t fileSize = d->lock.size();
    std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, 0xFFFF)), '\0');
    start.resize(d->lock.readAt(0, start.data(), start.size()));
    d->header = DbfHeader::parse(start, fileSize, name_, d->path);
    const DbfHeader& h = d->header;
    d->headerBytes = start.substr(0, h.headerLength);
    d->recordCount = h.recordCount;
    d->walkRecord = d->nextLive(0);
    d->blankRecord.assign(h.recordLength, ' ');
    d->blankRecord[0] = kLive;
    for (const FieldInfo& f : h.fields) {
        DbfFieldCodec::clear(f, d->blankRecord.data() + f.offset);
    }
    if (h.productionIndex) {
        // TDbf names the index with a lower-case extension on Linux.
        d->mdxPath = files::findCaseInsensitive(directory_, upper + ".MDX");
        if (d->mdxPath) {
            const auto tag = MdxIndex::readRebuildableTag(files::readFile(*d->mdxPath));
            const auto field = tag ? findField(h.fields, tag->expression) : std::nullopt;
            if (field && DbfFieldCodec::isNumericType(h.fields[*field].type)) {
                d->index = tag;
                d->indexField = *field;
            } else {
                d->indexUnknown = true;
            }
        }
        // A missing index file is not recreated: the flag is cleared on writing, as TDbf does.
    }
    data_ = std::move(d);
}

void Table::close() {
    if (!data_) {
        return;
    }
    TableData& d = *data_;
    if (d.change != TableData::Change::None) {
        post();
    }
    if (d.dirty) {
        if (d.indexUnknown) {
            throw Error("La tabla " + name_ + " tiene un índice («" + files::toUtf8(*d.mdxPath) +
                        "») que Vinculor no sabe actualizar; no se ha guardado ningún cambio.");
        }
        std::string header = d.headerBytes;
        DbfHeader::stamp(header, DbfDate::today(), d.recordCount, d.index.has_value());
        const std::string mdx = d.index ? indexFile(d, upperAscii(name_)) : std::string();
        const std::string end(1, kEndOfFile);
        const std::uint64_t size = header.size() + std::uint64_t{d.recordCount} * d.header.recordLength;
        if (d.spill) {
            // Part of the records is in the new file already: the rest, the end mark and the header.
            d.records.forEachInMemory(
                [&](std::uint64_t offset, std::string_view bytes) { d.spill->writeAt(offset, bytes); });
            d.spill->writeAt(size, end);
            d.spill->writeAt(0, header);
#ifdef _WIN32
            d.lock.release(); // a file open without sharing cannot be replaced
#endif
            d.spill->commit();
        } else {
            // The whole file written in one go, from the pieces it is made of.
            std::vector<std::string_view> pieces{header};
            d.records.forEachInMemory(
                [&](std::uint64_t, std::string_view bytes) { pieces.push_back(bytes); });
            pieces.push_back(end);
#ifdef _WIN32
            d.lock.release(); // a file open without sharing cannot be replaced
#endif
            files::AtomicFileWriter out(d.path);
            out.write(pieces);
            out.commit();
        }
        if (d.index) {
            files::writeFileAtomic(
                d.mdxPath.value_or(directory_ / files::fromUtf8(upperAscii(name_) + ".MDX")), mdx);
        }
    }
    data_.reset();
}

void Table::discard() noexcept {
    data_.reset();
}

bool Table::isOpen() const {
    return data_ != nullptr;
}

namespace {

// The errors out of line, so that the checks before them inline.
[[noreturn]] [[gnu::noinline]] void notOpen(const std::string& table) {
    throw Error("La tabla " + table + " no está abierta.");
}

[[noreturn]] [[gnu::noinline]] void noSuchFieldNumber(const std::string& table, std::size_t number) {
    throw Error("La tabla " + table + " no tiene el campo número " + std::to_string(number + 1));
}

[[noreturn]] [[gnu::noinline]] void noCurrentRecord(const std::string& table) {
    throw Error("La tabla " + table + " no tiene registro actual.");
}

inline void requireOpen(const std::unique_ptr<TableData>& data, const std::string& table) {
    if (!data) [[unlikely]] {
        notOpen(table);
    }
}

} // namespace

void Table::append() {
    requireOpen(data_, name_);
    TableData& d = *data_;
    if (d.change != TableData::Change::None) {
        post();
    }
    d.load();
    d.buffer = d.blankRecord;
    d.change = TableData::Change::Append;
}

void Table::edit() {
    requireOpen(data_, name_);
    TableData& d = *data_;
    if (d.change != TableData::Change::None) {
        post();
    }
    d.load();
    if (d.position >= d.live.size()) {
        throw Error("La tabla " + name_ + " no tiene registro actual que modificar.");
    }
    d.buffer.assign(d.record(d.live[d.position]), d.header.recordLength);
    d.change = TableData::Change::Edit;
}

void Table::post() {
    requireOpen(data_, name_);
    TableData& d = *data_;
    if (d.change == TableData::Change::Append) {
        const auto r = static_cast<std::uint32_t>(d.recordCount);
        d.records.append(d.buffer.data());
        ++d.recordCount;
        if (d.records.wantsToSpill()) {
            if (!d.spill) {
                d.spill = std::make_unique<files::AtomicFileWriter>(d.path);
            }
            d.records.spill(*d.spill);
        }
        d.live.push_back(r);
        d.position = d.live.size() - 1;
        for (auto& [field, map] : d.lookups) {
            // Kept only when no earlier record has it.
            map.emplace(d.textOf(field, d.record(r)), static_cast<std::uint32_t>(d.position));
        }
    } else if (d.change == TableData::Change::Edit) {
        const std::uint32_t r = d.live[d.position];
        const auto here = static_cast<std::uint32_t>(d.position);
        for (auto& [field, map] : d.lookups) {
            const std::string before = d.textOf(field, d.record(r));
            const std::string after = d.textOf(field, d.buffer.data());
            if (before == after) {
                continue;
            }
            const std::uint32_t* old = map.find(before);
            if (old != nullptr && *old == here) {
                // This record was the first with the old value: the next one is now.
                map.erase(before);
                for (std::size_t p = d.position + 1; p < d.live.size(); ++p) {
                    if (d.textOf(field, d.record(d.live[p])) == before) {
                        map.emplace(before, static_cast<std::uint32_t>(p));
                        break;
                    }
                }
            }
            std::uint32_t* now = map.find(after);
            if (now == nullptr) {
                map.emplace(after, here);
            } else if (*now > here) {
                *now = here;
            }
        }
        d.records.replace(r, d.buffer.data());
    } else {
        return;
    }
    d.change = TableData::Change::None;
    d.buffer.clear();
    d.dirty = true;
}

namespace {

std::size_t fieldNumber(const TableData& d, const std::string& table, std::string_view field) {
    // Callers name fields with the same literals call after call: the answer
    // for a name at that address is remembered, and checked before it is used.
    TableData::NameSeen& seen = d.namesSeen[(reinterpret_cast<std::uintptr_t>(field.data()) >> 3) % 32];
    if (seen.name == field.data() && seen.size == field.size() &&
        sameName(d.header.fields[seen.field].name, field)) {
        return seen.field;
    }
    const auto found = findField(d.header.fields, field);
    if (!found) {
        throw Error("La tabla " + table + " no tiene el campo " + std::string(field));
    }
    seen = {field.data(), field.size(), *found};
    return *found;
}

// A field number given by the caller: one of the open table's.
inline std::size_t checked(const TableData& d, const std::string& table, Table::Field field) {
    if (field.number >= d.header.fields.size()) [[unlikely]] {
        noSuchFieldNumber(table, field.number);
    }
    return field.number;
}

inline char* changingField(TableData& d, const std::string& table, std::size_t field) {
    if (d.change == TableData::Change::None) [[unlikely]] {
        throw Error("La tabla " + table + " no está en edición: falta append() o edit().");
    }
    return d.buffer.data() + d.header.fields[field].offset;
}

} // namespace

Table::Field Table::field(std::string_view name) const {
    requireOpen(data_, name_);
    return Field{fieldNumber(*data_, name_, name)};
}

void Table::setText(std::string_view field, std::string_view utf8) {
    setText(this->field(field), utf8);
}

void Table::setText(Field field, std::string_view utf8) {
    requireOpen(data_, name_);
    const std::size_t n = checked(*data_, name_, field);
    const FieldInfo& f = data_->header.fields[n];
    char* bytes = changingField(*data_, name_, n);
    if (f.type == 'C') {
        // The common case inline: ASCII text is its own code page 1252 bytes.
        const auto width = static_cast<std::size_t>(f.width);
        const std::size_t length = std::min(utf8.size(), width);
        bool ascii = true;
        for (std::size_t i = 0; i < length; ++i) {
            ascii &= static_cast<unsigned char>(utf8[i]) < 0x80;
        }
        if (ascii) {
            std::memcpy(bytes, utf8.data(), length);
            std::memset(bytes + length, ' ', width - length);
            return;
        }
    }
    DbfFieldCodec::setText(f, bytes, utf8, name_);
}

void Table::setBool(std::string_view field, bool value) {
    requireOpen(data_, name_);
    const std::size_t n = fieldNumber(*data_, name_, field);
    DbfFieldCodec::setBool(data_->header.fields[n], changingField(*data_, name_, n), value, name_);
}

void Table::setInt(std::string_view field, std::int32_t value) {
    requireOpen(data_, name_);
    const std::size_t n = fieldNumber(*data_, name_, field);
    DbfFieldCodec::setInt(data_->header.fields[n], changingField(*data_, name_, n), value, name_);
}

void Table::setDouble(std::string_view field, double value) {
    setDouble(this->field(field), value);
}

void Table::setDouble(Field field, double value) {
    requireOpen(data_, name_);
    const std::size_t n = checked(*data_, name_, field);
    DbfFieldCodec::setDouble(data_->header.fields[n], changingField(*data_, name_, n), value, name_);
}

void Table::first() {
    requireOpen(data_, name_);
    if (data_->change != TableData::Change::None) {
        post();
    }
    TableData& d = *data_;
    if (d.loaded) {
        d.position = 0;
    } else {
        d.walkRecord = d.nextLive(0);
        d.walkPosition = 0;
    }
}

void Table::next() {
    requireOpen(data_, name_);
    if (data_->change != TableData::Change::None) {
        post();
    }
    TableData& d = *data_;
    if (d.loaded) {
        if (d.position < d.live.size()) {
            ++d.position;
        }
    } else if (d.walkRecord < d.recordCount) {
        d.walkRecord = d.nextLive(d.walkRecord + 1);
        ++d.walkPosition;
        if (d.walkRecord >= d.recordCount) {
            d.liveCount = d.walkPosition;
        }
    }
}

bool Table::eof() const {
    requireOpen(data_, name_);
    const TableData& d = *data_;
    return d.loaded ? d.position >= d.live.size() : d.walkRecord >= d.recordCount;
}

namespace {

// The record that get* read: the one being changed, else the current one.
inline const char* currentRecord(const TableData& d, const std::string& table) {
    if (d.change != TableData::Change::None) {
        return d.buffer.data();
    }
    if (!d.loaded) {
        if (d.walkRecord >= d.recordCount) [[unlikely]] {
            noCurrentRecord(table);
        }
        return d.windowRecord(d.walkRecord);
    }
    if (d.position >= d.live.size()) [[unlikely]] {
        noCurrentRecord(table);
    }
    return d.record(d.live[d.position]);
}

} // namespace

std::string Table::getText(std::string_view field) const {
    return getText(this->field(field));
}

std::string Table::getText(Field field) const {
    requireOpen(data_, name_);
    return data_->textOf(checked(*data_, name_, field), currentRecord(*data_, name_));
}

std::string_view Table::viewText(Field field) const {
    requireOpen(data_, name_);
    const TableData& d = *data_;
    const std::size_t n = checked(d, name_, field);
    const FieldInfo& f = d.header.fields[n];
    const char* rec = currentRecord(d, name_);
    if (f.type == 'C') {
        const std::string_view bytes = TableData::storedText(f, rec);
        bool ascii = true;
        for (const char c : bytes) {
            ascii &= static_cast<unsigned char>(c) < 0x80;
        }
        if (ascii) {
            return bytes;
        }
    }
    if (d.converted.size() <= n) {
        d.converted.resize(d.header.fields.size());
    }
    d.converted[n] = d.textOf(n, rec);
    return d.converted[n];
}

bool Table::sameText(Field a, Field b) const {
    requireOpen(data_, name_);
    const TableData& d = *data_;
    const FieldInfo& fa = d.header.fields[checked(d, name_, a)];
    const FieldInfo& fb = d.header.fields[checked(d, name_, b)];
    const char* rec = currentRecord(d, name_);
    if (fa.type == 'C' && fb.type == 'C') {
        // Each stored byte is one character: equal bytes, equal text.
        return TableData::storedText(fa, rec) == TableData::storedText(fb, rec);
    }
    return d.textOf(a.number, rec) == d.textOf(b.number, rec);
}

std::int32_t Table::getInt(std::string_view field) const {
    return getInt(this->field(field));
}

std::int32_t Table::getInt(Field field) const {
    requireOpen(data_, name_);
    const FieldInfo& f = data_->header.fields[checked(*data_, name_, field)];
    return DbfFieldCodec::toInt(f, currentRecord(*data_, name_) + f.offset);
}

double Table::getDouble(std::string_view field) const {
    return getDouble(this->field(field));
}

double Table::getDouble(Field field) const {
    requireOpen(data_, name_);
    const FieldInfo& f = data_->header.fields[checked(*data_, name_, field)];
    return DbfFieldCodec::toDouble(f, currentRecord(*data_, name_) + f.offset);
}

std::int32_t Table::getFirstFieldInt() const {
    requireOpen(data_, name_);
    const FieldInfo& f = data_->header.fields.front();
    return DbfFieldCodec::toInt(f, currentRecord(*data_, name_) + f.offset);
}

bool Table::locate(std::string_view field, std::string_view value) {
    requireOpen(data_, name_);
    if (data_->change != TableData::Change::None) {
        post();
    }
    return locate(this->field(field), value);
}

bool Table::locate(Field field, std::string_view value) {
    requireOpen(data_, name_);
    TableData& d = *data_;
    if (d.change != TableData::Change::None) {
        post();
    }
    d.load();
    const std::size_t n = checked(d, name_, field);
    if (d.lookupOf.size() <= n) {
        d.lookupOf.resize(d.header.fields.size(), nullptr);
    }
    FirstRecordMap* lookup = d.lookupOf[n];
    if (lookup == nullptr) {
        // First search on this field: one pass builds value -> first record.
        lookup = &d.lookups.emplace(n, FirstRecordMap{}).first->second;
        d.lookupOf[n] = lookup;
        lookup->reserve(d.live.size());
        for (std::size_t p = 0; p < d.live.size(); ++p) {
            lookup->emplace(d.textOf(n, d.record(d.live[p])), static_cast<std::uint32_t>(p));
        }
    }
    const std::uint32_t* hit = lookup->find(value);
    if (hit == nullptr) {
        return false;
    }
    d.position = *hit;
    return true;
}

std::size_t Table::recordCount() const {
    requireOpen(data_, name_);
    const TableData& d = *data_;
    if (d.loaded) {
        return d.live.size();
    }
    if (!d.liveCount) {
        std::size_t count = 0;
        for (std::size_t r = d.nextLive(0); r < d.recordCount; r = d.nextLive(r + 1)) {
            ++count;
        }
        d.liveCount = count;
    }
    return *d.liveCount;
}

const std::vector<FieldInfo>& Table::fields() const {
    requireOpen(data_, name_);
    return data_->header.fields;
}

bool Table::hasField(std::string_view field) const {
    requireOpen(data_, name_);
    return findField(data_->header.fields, field).has_value();
}

int Table::level() const {
    requireOpen(data_, name_);
    return data_->header.level;
}

void deleteTableFiles(const fs::path& directory, std::string_view name) {
    const std::string upper = upperAscii(name);
    for (const char* extension : {".DBF", ".MDX"}) {
        for (const fs::path& p : caseVariants(directory, upper + extension)) {
            files::removeFileQuietly(p);
        }
    }
}

} // namespace vinculor
