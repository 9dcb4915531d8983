#include "common/BufferedReader.h"

#include <cstring>

namespace tw {
namespace {

// One spare buffer per thread: a directory run opens reader after reader, and
// handing the buffer on spares the allocator (and the kernel's fresh pages)
// the work of each file.
struct SpareBuffer {
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t size = 0;
};
thread_local SpareBuffer t_spare;

}  // namespace

BufferedReader::BufferedReader(ReadableFile& file, std::size_t capacity)
    : file_(file),
      size_(file.size()),
      capacity_(capacity == 0 ? 1 : capacity),
      fill_(capacity_ < InitialFill ? capacity_ : InitialFill) {}

BufferedReader::~BufferedReader() {
    if (buffer_ && allocated_ >= t_spare.size) {
        t_spare.buffer = std::move(buffer_);
        t_spare.size = allocated_;
    }
}

void BufferedReader::refill(std::int64_t at) {
    // Moving on past the end by less than a buffer counts as reading straight
    // on: a walk steps over the buffer's end from frame to frame.
    const std::int64_t bufferEnd = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
    const bool sequential = bufferLength_ != 0 && at >= bufferEnd && at - bufferEnd < static_cast<std::int64_t>(fill_);
    if (sequential)
        fill_ = fill_ * 4 < capacity_ ? fill_ * 4 : capacity_;
    else
        fill_ = capacity_ < InitialFill ? capacity_ : InitialFill;
    // The buffer grows with the reads, so that the scan of a small file
    // doesn't claim the whole capacity.
    if (allocated_ < fill_) {
        if (t_spare.buffer && t_spare.size >= fill_) {
            buffer_ = std::move(t_spare.buffer);
            allocated_ = t_spare.size;
            t_spare.size = 0;
        } else {
            buffer_.reset(new std::uint8_t[fill_]);  // not zeroed: only read bytes are used
            allocated_ = fill_;
        }
    }
    // Reading straight on starts where the last buffer ended, so that every
    // byte passes through the buffer once and no read skips a few.
    if (sequential && at - bufferEnd + 4 <= static_cast<std::int64_t>(fill_))
        at = bufferEnd;
    bufferStart_ = at;
    bufferLength_ = file_.readAt(at, buffer_.get(), fill_);
    bufferEnd_ = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
}

std::size_t BufferedReader::readAside(std::int64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset < 0 || count == 0)
        return 0;
    const std::int64_t bufferEnd = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
    if (offset >= bufferStart_ && offset + static_cast<std::int64_t>(count) <= bufferEnd) {
        std::memcpy(out, buffer_.get() + (offset - bufferStart_), count);
        return count;
    }
    return file_.readAt(offset, out, count);
}

std::size_t BufferedReader::read(std::int64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset < 0 || count == 0)
        return 0;
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        const std::int64_t bufferEnd = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
        if (at >= bufferStart_ && at < bufferEnd) {
            const std::size_t available = static_cast<std::size_t>(bufferEnd - at);
            const std::size_t take = count - done < available ? count - done : available;
            std::memcpy(out + done, buffer_.get() + (at - bufferStart_), take);
            done += take;
            continue;
        }
        if (count - done >= capacity_) {
            // Larger than the buffer: straight into the caller's memory.
            done += file_.readAt(at, out + done, count - done);
            break;
        }
        refill(at);
        if (bufferLength_ == 0)
            break;
    }
    return done;
}

}  // namespace tw
