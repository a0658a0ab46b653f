#include "dbf/RecordStore.h"

namespace vinculor {

bool RecordStore::load(const TableLock& lock, std::size_t count) {
    while (count_ < count) {
        const std::size_t n = std::min(perBlock_, count - count_);
        std::string block(n * length_, '\0');
        if (lock.readAt(headerLength_ + std::uint64_t{count_} * length_, block.data(), block.size()) !=
            block.size()) {
            return false;
        }
        block.reserve(perBlock_ * length_);
        blocks_.push_back(std::move(block));
        count_ += n;
    }
    return true;
}

void RecordStore::spill(files::AtomicFileWriter& file) {
    file_ = &file;
    while ((blocks_.size() - onDisk_) * perBlock_ * length_ > kKeptBytes / 2 &&
           onDisk_ + 1 < blocks_.size()) {
        file.writeAt(offsetOf(onDisk_), blocks_[onDisk_]);
        std::string().swap(blocks_[onDisk_]); // frees the block: assigning an empty text would keep it
        ++onDisk_;
    }
}

} // namespace vinculor
