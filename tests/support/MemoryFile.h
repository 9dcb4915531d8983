// A ReadableFile over bytes in memory, for tests and fuzzing: the parsers
// read it through the same interface as a real file. It can also pretend to
// fail, to show what the readers do with short or failing reads.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tw {

class MemoryFile final : public ReadableFile {
public:
    explicit MemoryFile(std::vector<std::uint8_t> bytes, std::int64_t modifiedTime = 0)
        : bytes_(std::move(bytes)),
          modifiedTime_(modifiedTime),
          reportedSize_(static_cast<std::int64_t>(bytes_.size())) {}

    std::int64_t size() const override { return reportedSize_; }
    std::int64_t modifiedTime() const override { return modifiedTime_; }
    std::size_t readAt(std::int64_t offset, void* buffer, std::size_t count) override;

    // Claims a size other than the bytes held (a file that shrank or grew
    // after it was opened, or a sparse giant).
    void setReportedSize(std::int64_t size) { reportedSize_ = size; }

    // Reads at or past this offset come back short, as on a failing disk.
    void failReadsFrom(std::int64_t offset) { failFrom_ = offset; }

    // How many readAt calls were made, to see that the buffering works.
    std::size_t readCount() const { return readCount_; }

    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t modifiedTime_;
    std::int64_t reportedSize_;
    std::int64_t failFrom_ = -1;
    std::size_t readCount_ = 0;
};

inline std::size_t MemoryFile::readAt(std::int64_t offset, void* buffer, std::size_t count) {
    ++readCount_;
    if (offset < 0)
        return 0;
    std::int64_t end = static_cast<std::int64_t>(bytes_.size());
    if (failFrom_ >= 0 && failFrom_ < end)
        end = failFrom_;
    if (offset >= end)
        return 0;
    std::size_t available = static_cast<std::size_t>(end - offset);
    std::size_t n = count < available ? count : available;
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
}

}  // namespace tw
