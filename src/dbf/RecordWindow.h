#pragma once

#include "files/TableLock.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vinculor {

// The records of a table that is walked from its first record forward before
// it is read whole, read from the data file a piece at a time: small at
// first, as a table may be opened and never walked, up to 4 MB once it is.
// A large table only read once from start to end is never held whole.
class RecordWindow {
public:
    void reset(std::size_t headerLength, std::size_t recordLength, std::size_t recordCount) {
        headerLength_ = headerLength;
        recordLength_ = recordLength;
        recordCount_ = recordCount;
        release();
    }

    // Record r (below the record count), valid until a record outside the
    // piece in memory is asked for; null when the file is shorter than its
    // header says.
    const char* at(const TableLock& lock, std::size_t r) {
        if (r < first_ || r >= first_ + count_) [[unlikely]] {
            if (!read(lock, r)) {
                return nullptr;
            }
        }
        return bytes_.data() + (r - first_) * recordLength_;
    }

    // Frees the piece in memory.
    void release() {
        std::string().swap(bytes_);
        first_ = 0;
        count_ = 0;
    }

private:
    [[gnu::noinline]] bool read(const TableLock& lock, std::size_t r);

    std::size_t headerLength_ = 0;
    std::size_t recordLength_ = 1;
    std::size_t recordCount_ = 0;
    std::string bytes_;
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    std::size_t pieceBytes_ = 4 * 1024;
};

} // namespace vinculor
