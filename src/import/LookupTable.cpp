#include "import/LookupTable.h"

#include "base/Error.h"
#include "files/FileSystem.h"
#include "import/FieldText.h"
#include "xml/XmlChildStream.h"

namespace vinculor::importing {

LookupTable::LookupTable(Table& table, const char* key, std::initializer_list<const char*> values,
                         const XmlChildStream* output)
    : table_(table), key_(key), values_(values), output_(output) {}

LookupTable::Stored LookupTable::stored(std::string_view utf8) {
    std::string_view xml;
    bool replaced = false;
    std::string scratch;
    if (output_ != nullptr) {
        xml = output_->value(utf8, scratch, replaced);
    }
    // Most texts are written as they are: kept once.
    const bool apart = output_ != nullptr && xml.data() != utf8.data();
    const std::size_t bytes = utf8.size() + (apart ? xml.size() : 0);
    // A text is found by 32-bit places and lengths (30 bits for its written form).
    if (arena_.size() + bytes > UINT32_MAX || xml.size() >= (std::size_t{1} << 30)) {
        throw Error("La tabla " + table_.name() + " tiene más texto del que la importación puede guardar.");
    }
    Stored s;
    s.offset = static_cast<std::uint32_t>(arena_.size());
    s.utf8Length = static_cast<std::uint32_t>(utf8.size());
    s.xmlLength = static_cast<std::uint32_t>(output_ != nullptr ? xml.size() : 0);
    s.xmlApart = apart ? 1 : 0;
    s.replaced = replaced ? 1 : 0;
    arena_ += utf8;
    if (apart) {
        arena_ += xml;
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
    const std::size_t records = table_.recordCount();
    std::size_t capacity = 16;
    while (capacity < 2 * records) {
        capacity *= 2;
    }
    short_.assign(capacity, kNoRow);
    rows_.reserve(records);
    texts_.reserve(records * (1 + values.size()));
    std::uint32_t place = 0;
    std::string scratch;
    for (table_.first(); !table_.eof(); table_.next(), ++place) {
        const char* record = table_.recordBytes();
        const std::string_view keyText = fieldText(key, record, isAscii(key, record), scratch);
        Row row;
        row.place = place;
        row.texts = static_cast<std::uint32_t>(texts_.size());
        if (keyText.size() <= ShortText::kMax) {
            row.key = ShortText::of(keyText);
        }
        if (!add(keyText, row)) {
            continue; // the first record with the key is the one found
        }
        texts_.push_back(stored(keyText));
        for (const FieldInfo* f : values) {
            texts_.push_back(f != nullptr ? stored(fieldText(*f, record, isAscii(*f, record), scratch))
                                          : Stored{});
        }
    }
    // Its texts grew by doubling; the walk that reads them holds much else.
    arena_.shrink_to_fit();
    built_ = true;
}

bool LookupTable::add(std::string_view key, const Row& row) {
    const auto index = static_cast<std::uint32_t>(rows_.size());
    if (key.size() > ShortText::kMax) {
        if (long_.find(key) != nullptr) {
            return false;
        }
        long_.emplace(key, index);
    } else {
        std::uint32_t& slot = short_[slotOf(row.key)];
        if (slot != kNoRow) {
            return false;
        }
        slot = index;
    }
    rows_.push_back(row);
    return true;
}

void LookupTable::missing(std::size_t i) const {
    throw Error(
        "La tabla " + table_.name() + " no tiene el campo " + values_[i] + " (archivo «" +
        files::toUtf8(table_.dataPath()) +
        "»): no es una tabla de las que escribe la exportación. Vuelva a exportar desde Pincel-eKade, "
        "calcule y guarde el horario en Horavia y vuelva a importar.");
}

} // namespace vinculor::importing
