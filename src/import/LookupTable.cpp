#include "import/LookupTable.h"

#include "base/Error.h"
#include "import/FieldText.h"
#include "xml/XmlChildStream.h"

namespace vinculor::importing {

LookupTable::LookupTable(Table& table, const char* key, std::initializer_list<const char*> values,
                         const XmlChildStream* output)
    : table_(table), key_(key), values_(values), output_(output) {}

LookupTable::Span LookupTable::keep(std::string_view text) {
    const Span span{static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(text.size())};
    arena_ += text;
    return span;
}

LookupTable::Stored LookupTable::stored(std::string_view utf8) {
    Stored s;
    s.utf8 = keep(utf8);
    if (output_ != nullptr) {
        std::string scratch;
        s.xml = keep(output_->value(utf8, scratch, s.replaced));
    }
    return s;
}

void LookupTable::build() {
    const std::vector<FieldInfo>& fields = table_.fields();
    const FieldInfo& key = fields[table_.field(key_).number];
    std::vector<const FieldInfo*> values;
    for (const char* name : values_) {
        present_.push_back(table_.hasField(name));
        values.push_back(present_.back() ? &fields[table_.field(name).number] : nullptr);
    }
    std::size_t capacity = 16;
    while (capacity < 2 * table_.recordCount()) {
        capacity *= 2;
    }
    short_.resize(capacity);
    std::uint32_t place = 0;
    std::string scratch;
    for (table_.first(); !table_.eof(); table_.next(), ++place) {
        const char* record = table_.recordBytes();
        const std::string_view keyText = fieldText(key, record, isAscii(key, record), scratch);
        if (!add(keyText, static_cast<std::uint32_t>(rows_.size()))) {
            continue; // the first record with the key is the one found
        }
        Row row;
        row.place = place;
        row.texts = static_cast<std::uint32_t>(texts_.size());
        rows_.push_back(row);
        texts_.push_back(stored(keyText));
        for (const FieldInfo* f : values) {
            texts_.push_back(f != nullptr ? stored(fieldText(*f, record, isAscii(*f, record), scratch))
                                          : Stored{});
        }
    }
    built_ = true;
}

bool LookupTable::add(std::string_view key, std::uint32_t row) {
    if (key.size() > ShortText::kMax) {
        if (long_.find(key) != nullptr) {
            return false;
        }
        long_.emplace(key, row);
        return true;
    }
    const ShortText k = ShortText::of(key);
    for (std::size_t i = k.hash() & (short_.size() - 1);; i = (i + 1) & (short_.size() - 1)) {
        Slot& s = short_[i];
        if (s.row == kNoRow) {
            s = {k, row};
            return true;
        }
        if (s.key == k) {
            return false;
        }
    }
}

void LookupTable::missing(std::size_t i) const {
    table_.field(values_[i]); // throws, naming the table and the field
    throw Error("La tabla " + table_.name() + " no tiene el campo " + values_[i]);
}

} // namespace vinculor::importing
