#include "dbf/Table.h"

#include "base/Error.h"
#include "dbf/DbfFieldCodec.h"
#include "dbf/DbfHeader.h"
#include "dbf/MdxIndex.h"
#include "dbf/TableData.h"
#include "files/FileLookup.h"
#include "files/FileSystem.h"
#include "files/RequireHoraviaDirectory.h"
#include "files/TableLock.h"
#include "text/Ascii.h"
#include "text/Text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace vinculor {

namespace fs = std::filesystem;

namespace {

constexpr char kEndOfFile = 0x1A;

using text::upperAscii;

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// The first field of that name, in any ASCII letter case. A table has a
// handful of fields: a scan of them is quicker than hashing the name.
std::optional<std::size_t> findField(const std::vector<FieldInfo>& fields, std::string_view name) noexcept {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (text::equalsIgnoreAsciiCase(fields[i].name, name)) {
            return i;
        }
    }
    return std::nullopt;
}

FieldInfo physicalField(const FieldDef& def) {
    FieldInfo f;
    f.name = upperAscii(def.name);
    switch (def.type) {
    case FieldType::Character:
        f.type = DbfType::Character;
        f.width = def.width;
        break;
    case FieldType::Boolean:
        f.type = DbfType::Logical;
        f.width = 1;
        break;
    case FieldType::Integer:
        f.type = DbfType::Integer;
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
        f.type = DbfType::Numeric;
        f.width = 18;
        f.decimals = 8;
        break;
    }
    return f;
}

} // namespace

Table::Table() = default;

Table::Table(fs::path directory, std::string name)
    : directory_(std::move(directory)), name_(std::move(name)) {}

Table::~Table() = default;
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;

Table Table::inFile(const fs::path& dataFile) {
    Table table(dataFile.has_parent_path() ? dataFile.parent_path() : fs::path("."),
                files::toUtf8(dataFile.stem()));
    table.file_ = dataFile;
    return table;
}

void Table::bind(fs::path directory, std::string name) {
    discard();
    directory_ = std::move(directory);
    name_ = std::move(name);
    file_.clear();
}

fs::path Table::dataPath() const {
    if (!file_.empty()) {
        return file_;
    }
    const std::string fileName = upperAscii(name_) + ".DBF";
    if (auto found = files::findCaseInsensitive(directory_, fileName)) {
        return *found;
    }
    return directory_ / files::fromUtf8(fileName);
}

namespace {

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
        if (def.name.empty() || def.name.size() > 31 || !text::isAsciiLetter(def.name[0]) ||
            !std::all_of(def.name.begin(), def.name.end(), text::isNameChar)) {
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
        !std::all_of(index.tag.begin(), index.tag.end(), text::isNameChar)) {
        cannotCreate(table, "el nombre de índice «" + index.tag + "» no es válido");
    }
    const std::string wanted = upperAscii(index.field);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == wanted) {
            if (!isNumeric(fields[i].type)) {
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
        const std::string shown = isNumberText(f.type)
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
    file_.clear(); // the table made is "<NAME>.DBF", and later opens find that one
    files::requireHoraviaDirectory(directory_);
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
    const std::vector<fs::path> oldData = files::findAllCaseInsensitive(directory_, upper + ".DBF");
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

    const std::vector<fs::path> oldIndex = files::findAllCaseInsensitive(directory_, upper + ".MDX");
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
    files::requireHoraviaDirectory(directory_);
    const std::string upper = upperAscii(name_);
    const auto found = file_.empty()                 ? files::findCaseInsensitive(directory_, upper + ".DBF")
                       : files::isRegularFile(file_) ? std::optional<fs::path>(file_)
                                                     : std::nullopt;
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
    d->window.reset(h.headerLength, h.recordLength, h.recordCount);
    d->walkRecord = d->nextLive(0);
    d->blankRecord.assign(h.recordLength, ' ');
    d->blankRecord[0] = kLiveRecord;
    for (const FieldInfo& f : h.fields) {
        DbfFieldCodec::clear(f, d->blankRecord.data() + f.offset);
    }
    if (h.productionIndex) {
        // TDbf names the index with a lower-case extension on Linux.
        d->mdxPath = files::findCaseInsensitive(directory_, upper + ".MDX");
        if (d->mdxPath) {
            const auto tag = MdxIndex::readRebuildableTag(files::readFile(*d->mdxPath));
            const auto field = tag ? findField(h.fields, tag->expression) : std::nullopt;
            if (field && isNumeric(h.fields[*field].type)) {
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
    appendCopy(data_->blankRecord.data());
}

void Table::append(const Record& start) {
    requireOpen(data_, name_);
    if (start.bytes_.size() != data_->blankRecord.size()) {
        throw Error("El registro que se quiere añadir a la tabla " + name_ + " no es de esa tabla.");
    }
    appendCopy(start.bytes_.data());
}

void Table::appendCopy(const char* record) {
    TableData& d = *data_;
    if (d.change != TableData::Change::None) {
        post();
    }
    d.load();
    // Laid out where it will stay: the fields are written in place.
    d.appended = d.records.append(record);
    d.change = TableData::Change::Append;
}

Table::Record Table::blankRecord() const {
    requireOpen(data_, name_);
    Record record;
    record.bytes_ = data_->blankRecord;
    return record;
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
        d.appended = nullptr;
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
    const auto found = findField(d.header.fields, field);
    if (!found) {
        throw Error("La tabla " + table + " no tiene el campo " + std::string(field) + " (archivo «" +
                    files::toUtf8(d.path) + "»).");
    }
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
    char* record = d.change == TableData::Change::Append ? d.appended : d.buffer.data();
    return record + d.header.fields[field].offset;
}

} // namespace

Table::Field Table::field(std::string_view name) const {
    requireOpen(data_, name_);
    return Field{fieldNumber(*data_, name_, name)};
}

void Table::setText(std::string_view field, std::string_view utf8) {
    setText(this->field(field), utf8);
}

namespace {

void writeText(const FieldInfo& f, char* bytes, std::string_view utf8, const std::string& table) {
    if (f.type == DbfType::Character) {
        // The common case inline: ASCII text is its own code page 1252 bytes
        // (callgrind, export at scale 100: 3.8 % of its instructions).
        const auto width = static_cast<std::size_t>(f.width);
        const std::size_t length = std::min(utf8.size(), width);
        if (text::isAscii(utf8.substr(0, length))) {
            std::copy_n(utf8.data(), length, bytes);
            std::memset(bytes + length, ' ', width - length);
            return;
        }
    }
    DbfFieldCodec::setText(f, bytes, utf8, table);
}

} // namespace

void Table::setText(Field field, std::string_view utf8) {
    requireOpen(data_, name_);
    const std::size_t n = checked(*data_, name_, field);
    writeText(data_->header.fields[n], changingField(*data_, name_, n), utf8, name_);
}

void Table::setText(Record& record, Field field, std::string_view utf8) const {
    requireOpen(data_, name_);
    const FieldInfo& f = data_->header.fields[checked(*data_, name_, field)];
    if (record.bytes_.size() != data_->blankRecord.size()) {
        throw Error("El registro que se quiere escribir no es de la tabla " + name_ + ".");
    }
    writeText(f, record.bytes_.data() + f.offset, utf8, name_);
}

void Table::setBool(std::string_view field, bool value) {
    setBool(this->field(field), value);
}

void Table::setBool(Field field, bool value) {
    requireOpen(data_, name_);
    const std::size_t n = checked(*data_, name_, field);
    DbfFieldCodec::setBool(data_->header.fields[n], changingField(*data_, name_, n), value, name_);
}

void Table::setInt(std::string_view field, std::int32_t value) {
    setInt(this->field(field), value);
}

void Table::setInt(Field field, std::int32_t value) {
    requireOpen(data_, name_);
    const std::size_t n = checked(*data_, name_, field);
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
            d.window.release(); // a walk to the end needs none of it again
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
    if (d.change == TableData::Change::Append) {
        return d.appended;
    }
    if (d.change == TableData::Change::Edit) {
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
    // ASCII text is its own stored bytes: shown where it lies, without a copy.
    if (f.type == DbfType::Character) {
        const std::string_view bytes = storedText(f, rec);
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
    if (fa.type == DbfType::Character && fb.type == DbfType::Character) {
        // Each stored byte is one character: equal bytes, equal text.
        return storedText(fa, rec) == storedText(fb, rec);
    }
    return d.textOf(a.number, rec) == d.textOf(b.number, rec);
}

const char* Table::recordBytes() const {
    requireOpen(data_, name_);
    return currentRecord(*data_, name_);
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
        d.liveCount = d.countLive();
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
        for (const fs::path& p : files::findAllCaseInsensitive(directory, upper + extension)) {
            files::removeFileQuietly(p);
        }
    }
}

} // namespace vinculor
