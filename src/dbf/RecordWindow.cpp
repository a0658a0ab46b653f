#include "dbf/RecordWindow.h"

#include <algorithm>

namespace vinculor {

bool RecordWindow::read(const TableLock& lock, std::size_t r) {
    pieceBytes_ = std::min<std::size_t>(pieceBytes_ * 4, std::size_t{4} << 20);
    const std::size_t count =
        std::min(recordCount_ - r, std::max<std::size_t>(1, pieceBytes_ / recordLength_));
    bytes_.resize(count * recordLength_);
    first_ = r;
    count_ = 0; // until the read succeeds
    if (lock.readAt(headerLength_ + std::uint64_t{r} * recordLength_, bytes_.data(), bytes_.size()) !=
        bytes_.size()) {
        return false;
    }
    count_ = count;
    return true;
}

} // namespace vinculor
