#include "dbf/MdxIndex.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "text/Ascii.h"

#include <algorithm>
#include <set>

namespace vinculor {

namespace {

using namespace bytes;

constexpr std::size_t kPage = 512;
constexpr std::size_t kBlock = 1024;
constexpr std::size_t kPagesPerBlock = kBlock / kPage;
constexpr std::uint32_t kTagHeaderPage = 4;
constexpr std::uint32_t kFirstNodePage = 8; // after the header, the tag header and the unused block
constexpr std::size_t kTagTable = 544;
constexpr std::size_t kKeyLength = 12;
constexpr std::size_t kEntryLength = 16; // 4-byte pointer + key, rounded to 4
constexpr std::size_t kNodeHeader = 8;
constexpr std::size_t kMaxLeafEntries = (kBlock - kNodeHeader) / kEntryLength; // 63
constexpr std::size_t kMaxInnerKeys = kMaxLeafEntries - 1;                     // 62
constexpr std::uint8_t kLanguageId1252 = 0x58;

std::string cString(std::string_view s) {
    return std::string(s.substr(0, s.find('\0')));
}

void putKey(std::string& s, std::size_t at, const MdxIndex::Key& key) {
    for (std::size_t i = 0; i < key.size(); ++i) {
        s[at + i] = static_cast<char>(key[i]);
    }
}

void putDate(std::string& s, std::size_t at, const DbfDate& date) {
    s[at] = static_cast<char>(date.year - 1900);
    s[at + 1] = static_cast<char>(date.month);
    s[at + 2] = static_cast<char>(date.day);
}

// Splits n items into the fewest groups of at most `most`, as even as possible.
std::vector<std::size_t> groupSizes(std::size_t n, std::size_t most) {
    const std::size_t groups = std::max<std::size_t>(1, (n + most - 1) / most);
    std::vector<std::size_t> sizes(groups, n / groups);
    for (std::size_t i = 0; i < n % groups; ++i) {
        ++sizes[i];
    }
    return sizes;
}

struct Node {
    std::uint32_t page = 0;
    MdxIndex::Key lastKey{};
};

[[noreturn]] void damaged(const std::string& cause) {
    throw Error(ErrorKind::Damaged, "El índice está dañado: " + cause + ".");
}

} // namespace

MdxIndex::Key MdxIndex::numericKey(std::string_view decimalText) {
    Key key{};
    std::string_view s = decimalText;
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    const std::size_t point = s.find('.');
    std::string_view whole = s.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
    const bool valid =
        !(whole.empty() && fraction.empty()) &&
        std::all_of(whole.begin(), whole.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        std::all_of(fraction.begin(), fraction.end(), [](char c) { return c >= '0' && c <= '9'; });
    std::string digits;
    int exponent = 0;
    if (valid) {
        while (!whole.empty() && whole.front() == '0') {
            whole.remove_prefix(1);
        }
        if (!whole.empty()) {
            exponent = static_cast<int>(whole.size());
            digits = std::string(whole) + std::string(fraction);
        } else {
            std::size_t zeros = 0;
            while (zeros < fraction.size() && fraction[zeros] == '0') {
                ++zeros;
            }
            if (zeros < fraction.size()) {
                exponent = -static_cast<int>(zeros);
                digits = std::string(fraction.substr(zeros));
            }
        }
        while (!digits.empty() && digits.back() == '0') {
            digits.pop_back();
        }
        if (digits.size() > 16) {
            digits.resize(16);
        }
    }
    if (digits.empty()) {
        exponent = 0;
        negative = false;
    }
    key[0] = static_cast<std::uint8_t>(0x34 + exponent);
    key[1] = static_cast<std::uint8_t>(((digits.size() + 1) / 2) * 8 + 1);
    if (negative) {
        key[1] = static_cast<std::uint8_t>(key[1] | 0x80);
    }
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const auto d = static_cast<std::uint8_t>(digits[i] - '0');
        key[2 + i / 2] = static_cast<std::uint8_t>(key[2 + i / 2] | (i % 2 == 0 ? d << 4 : d));
    }
    return key;
}

std::string MdxIndex::build(std::string_view tableName, const Tag& tag, std::vector<Entry> entries,
                            const DbfDate& date) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.value != b.value ? a.value < b.value : a.record < b.record;
    });

    // Lay the tree out first: leaves, then each level above, the root last.
    std::vector<std::string> blocks;
    std::vector<Node> level;
    const auto newBlock = [&]() -> std::pair<std::string&, std::uint32_t> {
        blocks.emplace_back(kBlock, '\0');
        const auto page = static_cast<std::uint32_t>(kFirstNodePage + kPagesPerBlock * (blocks.size() - 1));
        return {blocks.back(), page};
    };

    std::size_t next = 0;
    for (std::size_t count : groupSizes(entries.size(), kMaxLeafEntries)) {
        auto [block, page] = newBlock();
        putLe32(block, 0, count);
        for (std::size_t i = 0; i < count; ++i) {
            const Entry& e = entries[next + i];
            putLe32(block, kNodeHeader + kEntryLength * i, e.record);
            putKey(block, kNodeHeader + kEntryLength * i + 4, e.key);
        }
        Node node{page, {}};
        if (count > 0) {
            node.lastKey = entries[next + count - 1].key;
        }
        next += count;
        level.push_back(node);
    }
    while (level.size() > 1) {
        std::vector<Node> above;
        std::size_t first = 0;
        for (std::size_t children : groupSizes(level.size(), kMaxInnerKeys + 1)) {
            auto [block, page] = newBlock();
            const std::size_t keys = children - 1;
            putLe32(block, 0, keys);
            for (std::size_t i = 0; i < children; ++i) {
                const Node& child = level[first + i];
                putLe32(block, kNodeHeader + kEntryLength * i, child.page);
                if (i < keys) {
                    putKey(block, kNodeHeader + kEntryLength * i + 4, child.lastKey);
                }
            }
            above.push_back(Node{page, level[first + children - 1].lastKey});
            first += children;
        }
        level = std::move(above);
    }
    const std::uint32_t root = level.front().page;
    const std::size_t pages = kFirstNodePage + kPagesPerBlock * blocks.size();

    std::string file(pages * kPage, '\0');
    // File header.
    file[0] = 0x03; // level-7 index
    putDate(file, 1, date);
    const std::string baseName = text::upperAscii(tableName.substr(0, 15));
    file.replace(4, baseName.size(), baseName);
    putLe16(file, 20, kPagesPerBlock);
    putLe16(file, 22, kBlock);
    file[24] = 0x01; // production index
    file[25] = 48;   // tag slots
    file[26] = 32;   // tag entry size as TDbf states it
    putLe16(file, 28, 1);
    file[31] = static_cast<char>(kLanguageId1252);
    putLe32(file, 32, pages);
    putDate(file, 44, date);
    file[529] = 0x01;

    // Tag table entry.
    putLe32(file, kTagTable, kTagHeaderPage);
    file.replace(kTagTable + 4, std::min<std::size_t>(tag.name.size(), 32), tag.name.substr(0, 32));
    file[kTagTable + 37] = 0x10; // the key is a field
    file[kTagTable + 41] = 0x02;
    file[kTagTable + 42] = 'N';

    // Tag header.
    const std::size_t th = kTagHeaderPage * kPage;
    putLe32(file, th, root);
    putLe32(file, th + 4, 4 + kPagesPerBlock * blocks.size());
    file[th + 8] = 0x00; // ascending, numeric, not unique
    file[th + 9] = 'N';
    putLe16(file, th + 12, kKeyLength);
    putLe16(file, th + 14, kMaxLeafEntries);
    putLe16(file, th + 18, kEntryLength);
    putLe16(file, th + 20, 2);
    file.replace(th + 24, std::min<std::size_t>(tag.expression.size(), 219), tag.expression.substr(0, 219));
    file[th + 246] = 0x01;

    for (std::size_t i = 0; i < blocks.size(); ++i) {
        file.replace((kFirstNodePage + kPagesPerBlock * i) * kPage, kBlock, blocks[i]);
    }
    return file;
}

std::optional<MdxIndex::Tag> MdxIndex::readRebuildableTag(std::string_view image) {
    if (image.size() < 4 * kPage || le16(image, 28) != 1) {
        return std::nullopt;
    }
    Tag tag;
    const auto version = static_cast<unsigned char>(image[0]);
    if (version == 3) {
        tag.name = cString(image.substr(kTagTable + 4, 33));
        tag.keyType = image[kTagTable + 42];
    } else if (version == 2) {
        tag.name = cString(image.substr(kTagTable + 4, 11));
        tag.keyType = image[kTagTable + 20];
    } else {
        return std::nullopt;
    }
    const std::uint32_t headerPage = le32(image, kTagTable);
    if (headerPage < 4 || static_cast<std::uint64_t>(headerPage) * kPage + kBlock > image.size()) {
        return std::nullopt;
    }
    const std::string_view th = image.substr(headerPage * kPage, kBlock);
    const auto format = static_cast<unsigned char>(th[8]);
    const auto unique = static_cast<unsigned char>(th[23]);
    tag.expression = cString(th.substr(24, 220));
    const bool plainName = !tag.expression.empty() &&
                           std::all_of(tag.expression.begin(), tag.expression.end(), text::isNameChar);
    if (tag.name.empty() || tag.keyType != 'N' || th[9] != 'N' || le16(th, 12) != kKeyLength || format != 0 ||
        unique != 0 || th[245] != 0 || !plainName) {
        return std::nullopt;
    }
    return tag;
}

std::vector<std::uint32_t> MdxIndex::walk(std::string_view image) {
    if (image.size() < 4 * kPage) {
        damaged("el archivo es demasiado corto");
    }
    const std::uint32_t headerPage = le32(image, kTagTable);
    if (headerPage < 4 || static_cast<std::uint64_t>(headerPage) * kPage + kBlock > image.size()) {
        damaged("la cabecera de la etiqueta está fuera del archivo");
    }
    const std::string_view th = image.substr(headerPage * kPage, kBlock);
    const std::size_t entryLength = le16(th, 18);
    const std::size_t maxEntries = le16(th, 14);
    if (entryLength < 8 || maxEntries == 0 || kNodeHeader + entryLength * (maxEntries - 1) + 4 > kBlock) {
        damaged("la etiqueta tiene medidas imposibles");
    }
    std::vector<std::uint32_t> records;
    std::set<std::uint32_t> visited;
    // Depth-first, children left to right.
    const auto visit = [&](auto&& self, std::uint32_t page, int depth) -> void {
        if (depth > 32 || !visited.insert(page).second) {
            damaged("el árbol tiene un ciclo");
        }
        if (page < 4 || static_cast<std::uint64_t>(page) * kPage + kBlock > image.size()) {
            damaged("un nodo está fuera del archivo");
        }
        const std::string_view node = image.substr(page * kPage, kBlock);
        const std::uint32_t n = le32(node, 0);
        if (n > maxEntries) {
            damaged("un nodo tiene demasiadas entradas");
        }
        const auto pointer = [&](std::size_t i) { return le32(node, kNodeHeader + entryLength * i); };
        const bool inner = n < maxEntries && pointer(n) != 0;
        if (inner) {
            for (std::size_t i = 0; i <= n; ++i) {
                self(self, pointer(i), depth + 1);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                records.push_back(pointer(i));
            }
        }
    };
    visit(visit, le32(th, 0), 0);
    return records;
}

} // namespace vinculor
