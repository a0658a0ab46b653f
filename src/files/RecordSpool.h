#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vinculor::files {

class AtomicFileWriter;

// Records of one length kept aside in the order they come, to be read back
// later in that order: in memory up to `keptBytes`, and beyond that in a
// temporary file beside `target` (named as the file layer names the
// temporaries of `target`, so that a recovery removes one left behind),
// which goes away with the spool. Memory stays within twice `keptBytes`
// however many records come. Without a target every record stays in memory.
class RecordSpool {
public:
    static constexpr std::size_t kKeptBytes = std::size_t{1} << 20;

    RecordSpool(std::size_t recordLength, std::filesystem::path target, std::size_t keptBytes = kKeptBytes);
    ~RecordSpool();
    RecordSpool(const RecordSpool&) = delete;
    RecordSpool& operator=(const RecordSpool&) = delete;

    void add(const char* record);
    std::size_t size() const { return count_; }
    bool spilled() const { return spilledBytes_ > 0; }

    // Calls visit(const char* record) for each record, in the order added.
    template <typename Visit> void forEach(Visit visit) {
        std::string piece;
        for (std::uint64_t offset = 0; offset < spilledBytes_; offset += piece.size()) {
            readBack(offset, piece);
            for (std::size_t at = 0; at < piece.size(); at += length_) {
                visit(piece.data() + at);
            }
        }
        for (std::size_t at = 0; at < memory_.size(); at += length_) {
            visit(memory_.data() + at);
        }
    }

private:
    void readBack(std::uint64_t offset, std::string& piece);

    std::size_t length_;
    std::filesystem::path target_;
    std::size_t pieceBytes_; // a whole number of records
    std::string memory_;
    std::unique_ptr<AtomicFileWriter> file_;
    std::uint64_t spilledBytes_ = 0;
    std::size_t count_ = 0;
};

} // namespace vinculor::files
