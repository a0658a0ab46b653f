#include "files/RecordSpool.h"

#include "files/FileSystem.h"

#include <algorithm>
#include <string_view>

namespace vinculor::files {

RecordSpool::RecordSpool(std::size_t recordLength, std::filesystem::path target, std::size_t keptBytes)
    : length_(std::max<std::size_t>(1, recordLength)), target_(std::move(target)),
      pieceBytes_(std::max<std::size_t>(1, keptBytes / length_) * length_) {
    if (!target_.empty()) {
        memory_.reserve(pieceBytes_);
    }
}

// The temporary file is never committed: the writer removes it.
RecordSpool::~RecordSpool() = default;

void RecordSpool::add(const char* record) {
    if (memory_.size() + length_ > pieceBytes_ && !target_.empty()) {
        if (!file_) {
            file_ = std::make_unique<AtomicFileWriter>(target_);
        }
        file_->writeAt(spilledBytes_, memory_);
        spilledBytes_ += memory_.size();
        memory_.clear();
    }
    memory_.append(record, length_);
    ++count_;
}

void RecordSpool::readBack(std::uint64_t offset, std::string& piece) {
    piece.resize(static_cast<std::size_t>(std::min<std::uint64_t>(pieceBytes_, spilledBytes_ - offset)));
    file_->readAt(offset, piece.data(), piece.size());
}

} // namespace vinculor::files
