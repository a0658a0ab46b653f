#pragma once

#include "files/FileSystem.h"
#include "files/TableLock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vinculor {

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

    // Adds a copy of `record` at the end and returns where it lies, for the
    // caller to fill in place: valid until the next call (a block never moves
    // while it is in memory).
    char* append(const char* record) {
        if (blocks_.empty() || blocks_.back().size() == perBlock_ * length_) {
            blocks_.emplace_back();
            blocks_.back().reserve(perBlock_ * length_);
        }
        std::string& block = blocks_.back();
        block.append(record, length_);
        ++count_;
        return block.data() + block.size() - length_;
    }

    // Reads `count` records of the data file after its header; false when
    // the file holds fewer.
    [[nodiscard]] bool load(const TableLock& lock, std::size_t count);

    // Moves the oldest full blocks to `file` while more than kKeptBytes are in memory.
    bool wantsToSpill() const { return (blocks_.size() - onDisk_) * perBlock_ * length_ > kKeptBytes; }
    void spill(files::AtomicFileWriter& file);

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

} // namespace vinculor
