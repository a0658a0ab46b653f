#include "dbf/TableData.h"

#include "base/Error.h"

#include <algorithm>

namespace vinculor {

void TableData::shrank() const {
    throw Error("La tabla «" + files::toUtf8(path) + "» ha cambiado de tamaño mientras estaba abierta.");
}

std::size_t TableData::countLive() const {
    const std::size_t length = header.recordLength;
    const std::size_t perPiece = std::max<std::size_t>(1, (std::size_t{1} << 20) / length);
    std::string piece;
    std::size_t count = 0;
    for (std::size_t r = 0; r < recordCount; r += perPiece) {
        const std::size_t n = std::min(perPiece, recordCount - r);
        piece.resize(n * length);
        if (lock.readAt(header.headerLength + std::uint64_t{r} * length, piece.data(), piece.size()) !=
            piece.size()) {
            shrank();
        }
        for (std::size_t i = 0; i < n; ++i) {
            count += piece[i * length] != kDeletedRecord ? 1 : 0;
        }
    }
    return count;
}

void TableData::load() {
    if (loaded) {
        return;
    }
    records.reset(header.recordLength, header.headerLength);
    if (!records.load(lock, recordCount)) {
        shrank();
    }
    live.reserve(recordCount);
    for (std::size_t r = 0; r < recordCount; ++r) {
        if (records.at(r)[0] != kDeletedRecord) {
            live.push_back(static_cast<std::uint32_t>(r));
        }
    }
    position =
        walkRecord >= recordCount
            ? live.size()
            : static_cast<std::size_t>(std::lower_bound(live.begin(), live.end(), walkRecord) - live.begin());
    window.release();
    loaded = true;
}

} // namespace vinculor
