#include "xml/XmlFamilies.h"

#include "base/Error.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>

namespace vinculor {

namespace {

constexpr std::uint32_t kMissing = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kBlockBits = 20;
constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockBits;
constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kBlockBits);

[[noreturn]] void tooLarge() {
    throw Error("El documento es demasiado grande: sus datos pasan de 4 GB.");
}

// The kept values, one after another in blocks of 1 MiB (a longer value has a
// block of its own), so that growing never copies what is kept nor needs room
// for it twice. A value's position is its block's number times 2^20 plus its
// offset there.
class TextBlocks {
public:
    std::uint32_t add(std::string_view value) {
        if (value.size() >= kMissing) {
            tooLarge();
        }
        if (blocks_.empty() || blocks_.back().size() + value.size() > kBlockBytes) {
            if (blocks_.size() == kMaxBlocks) {
                tooLarge();
            }
            blocks_.emplace_back();
            blocks_.back().reserve(std::max(kBlockBytes, value.size()));
        }
        std::string& block = blocks_.back();
        const auto position = static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | block.size());
        block.append(value);
        return position;
    }

    std::string_view at(std::uint32_t position, std::uint32_t length) const {
        return std::string_view(blocks_[position >> kBlockBits]).substr(position & (kBlockBytes - 1), length);
    }

private:
    std::vector<std::string> blocks_;
};

} // namespace

struct XmlFamilyStore {
    struct Family {
        std::string path;
        std::vector<std::string> names;
        // Per element, per kept attribute: position and length of its value in
        // `text`; kMissing as length when the element lacks it. Grown in
        // pieces, as the text is.
        std::deque<std::uint32_t> slots;
        std::deque<std::uint32_t> owners; // per element, when `ownerFamily` is set
        int ownerFamily = -1;
        std::size_t size = 0;
    };
    // The paths asked for, as a tree of element names; node 0 stands for the document.
    struct PathNode {
        std::string name;
        std::vector<std::uint32_t> children;
        int family = -1;
    };

    std::vector<Family> families;
    std::vector<PathNode> paths{PathNode{}};
    TextBlocks text; // every kept value
    std::string rootName;
    XmlOutside outside;

    const Family& family(std::string_view path) const {
        for (const Family& f : families) {
            if (f.path == path) {
                return f;
            }
        }
        throw Error("Ruta XML no leída: " + std::string(path));
    }
};

namespace {

using Store = XmlFamilyStore;

std::vector<std::string_view> pathSteps(std::string_view path) {
    if (path.size() < 2 || path.front() != '/') {
        throw Error("Ruta XML no admitida: " + std::string(path));
    }
    std::vector<std::string_view> steps;
    std::size_t pos = 1;
    while (pos <= path.size()) {
        const std::size_t slash = std::min(path.find('/', pos), path.size());
        if (slash == pos) {
            throw Error("Ruta XML no admitida: " + std::string(path));
        }
        steps.push_back(path.substr(pos, slash - pos));
        pos = slash + 1;
    }
    return steps;
}

void addFamily(Store& store, const XmlFamilySpec& spec) {
    std::uint32_t node = 0;
    for (const std::string_view step : pathSteps(spec.path)) {
        std::uint32_t next = 0;
        for (const std::uint32_t child : store.paths[node].children) {
            if (store.paths[child].name == step) {
                next = child;
            }
        }
        if (next == 0) {
            next = static_cast<std::uint32_t>(store.paths.size());
            store.paths.push_back(Store::PathNode{std::string(step), {}, -1});
            store.paths[node].children.push_back(next);
        }
        node = next;
    }
    int& family = store.paths[node].family;
    if (family < 0) {
        family = static_cast<int>(store.families.size());
        store.families.push_back(Store::Family{spec.path, {}, {}, {}, -1, 0});
    }
    std::vector<std::string>& names = store.families[static_cast<std::size_t>(family)].names;
    for (const std::string& name : spec.attributes) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    }
}

// Each family's owner, the nearest family on its path: settled once every
// family is known, whatever the order they were asked for in.
void settleOwners(Store& store) {
    std::vector<std::pair<std::uint32_t, int>> pending{{0, -1}};
    while (!pending.empty()) {
        const auto [node, owner] = pending.back();
        pending.pop_back();
        const int family = store.paths[node].family;
        if (family >= 0) {
            store.families[static_cast<std::size_t>(family)].ownerFamily = owner;
        }
        for (const std::uint32_t child : store.paths[node].children) {
            pending.emplace_back(child, family >= 0 ? family : owner);
        }
    }
}

// Keeps the asked-for elements as the reader meets them. Only the part of the
// path that matches is held; below an element outside every path, a count.
class Collector : public XmlVisitor {
public:
    explicit Collector(Store& store) : store_(store) {}

    void startElement(const char* name, const char** attributes) override {
        if (store_.rootName.empty() && open_.size() == 1 && unmatched_ == 0) {
            store_.rootName = name;
        }
        if (unmatched_ > 0) {
            ++unmatched_;
            return;
        }
        const Store::PathNode& here = store_.paths[open_.back()];
        const std::string_view element(name);
        for (const std::uint32_t child : here.children) {
            if (store_.paths[child].name == element) {
                open_.push_back(child);
                if (const int family = store_.paths[child].family; family >= 0) {
                    keep(store_.families[static_cast<std::size_t>(family)], attributes);
                }
                return;
            }
        }
        ++unmatched_;
    }

    void endElement() override {
        if (unmatched_ > 0) {
            --unmatched_;
        } else {
            open_.pop_back();
        }
    }

private:
    void keep(Store::Family& family, const char** attributes) {
        // The element's slots made apart and added in one go: a deque is slow
        // to index one slot at a time.
        row_.assign(2 * family.names.size(), kMissing);
        for (const char** a = attributes; *a != nullptr; a += 2) {
            const std::string_view attribute(a[0]);
            for (std::size_t k = 0; k < family.names.size(); ++k) {
                if (family.names[k] == attribute) {
                    const std::string_view value(a[1]);
                    row_[2 * k] = store_.text.add(value);
                    row_[2 * k + 1] = static_cast<std::uint32_t>(value.size());
                    break;
                }
            }
        }
        family.slots.insert(family.slots.end(), row_.begin(), row_.end());
        if (family.ownerFamily >= 0) {
            const std::size_t ownerSize = store_.families[static_cast<std::size_t>(family.ownerFamily)].size;
            family.owners.push_back(ownerSize == 0 ? kMissing : static_cast<std::uint32_t>(ownerSize - 1));
        }
        if (++family.size == kMissing) {
            tooLarge();
        }
    }

    Store& store_;
    std::vector<std::uint32_t> open_{0};
    std::size_t unmatched_ = 0;
    std::vector<std::uint32_t> row_;
};

std::unique_ptr<Store> prepare(const std::vector<XmlFamilySpec>& families) {
    auto store = std::make_unique<Store>();
    for (const XmlFamilySpec& spec : families) {
        addFamily(*store, spec);
    }
    settleOwners(*store);
    return store;
}

} // namespace

std::string_view XmlNode::attributeView(std::string_view name) const {
    const XmlFamilyStore::Family& f = store_->families[family_];
    for (std::size_t k = 0; k < f.names.size(); ++k) {
        if (f.names[k] == name) {
            const std::size_t at = (index_ * f.names.size() + k) * 2;
            const std::uint32_t length = f.slots[at + 1];
            return length == kMissing ? std::string_view() : store_->text.at(f.slots[at], length);
        }
    }
    return {};
}

std::string_view XmlNode::attributeAt(std::size_t place) const {
    const XmlFamilyStore::Family& f = store_->families[family_];
    if (place >= f.names.size()) {
        return {};
    }
    const std::size_t at = (index_ * f.names.size() + place) * 2;
    const std::uint32_t length = f.slots[at + 1];
    return length == kMissing ? std::string_view() : store_->text.at(f.slots[at], length);
}

bool XmlNode::hasAttribute(std::string_view name) const {
    const XmlFamilyStore::Family& f = store_->families[family_];
    for (std::size_t k = 0; k < f.names.size(); ++k) {
        if (f.names[k] == name) {
            return f.slots[(index_ * f.names.size() + k) * 2 + 1] != kMissing;
        }
    }
    return false;
}

std::size_t XmlNode::owner() const {
    const XmlFamilyStore::Family& f = store_->families[family_];
    if (f.ownerFamily < 0 || f.owners[index_] == kMissing) {
        return static_cast<std::size_t>(-1);
    }
    return f.owners[index_];
}

XmlFamilies::XmlFamilies() : store_(std::make_unique<XmlFamilyStore>()) {}
XmlFamilies::~XmlFamilies() = default;
XmlFamilies::XmlFamilies(XmlFamilies&&) noexcept = default;
XmlFamilies& XmlFamilies::operator=(XmlFamilies&&) noexcept = default;

XmlFamilies XmlFamilies::read(const std::filesystem::path& file, const std::vector<XmlFamilySpec>& families) {
    XmlFamilies result;
    result.store_ = prepare(families);
    Collector collector(*result.store_);
    readXmlFile(file, collector, result.store_->outside);
    return result;
}

XmlFamilies XmlFamilies::fromBytes(std::string_view bytes, const std::vector<XmlFamilySpec>& families,
                                   const std::string& displayName) {
    XmlFamilies result;
    result.store_ = prepare(families);
    Collector collector(*result.store_);
    readXmlBytes(bytes, displayName, collector, result.store_->outside);
    return result;
}

const std::string& XmlFamilies::rootName() const {
    return store_->rootName;
}

XmlNodeList XmlFamilies::selectNodes(std::string_view path) const {
    const XmlFamilyStore::Family& f = store_->family(path);
    const auto family = static_cast<std::uint32_t>(&f - store_->families.data());
    XmlNodeList nodes;
    nodes.reserve(f.size);
    for (std::size_t i = 0; i < f.size; ++i) {
        nodes.push_back(XmlNode(store_.get(), family, static_cast<std::uint32_t>(i)));
    }
    return nodes;
}

XmlNode XmlFamilies::selectSingleNode(std::string_view path) const {
    const XmlFamilyStore::Family& f = store_->family(path);
    if (f.size == 0) {
        return {};
    }
    return XmlNode(store_.get(), static_cast<std::uint32_t>(&f - store_->families.data()), 0);
}

const XmlOutside& XmlFamilies::outside() const {
    return store_->outside;
}

} // namespace vinculor
