// Positional reads through one buffer, so that walking a file header by
// header, or trying offset after offset, costs a system call per buffer and
// not per header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace tw {

class BufferedReader {
public:
    // Reads start small (a scan needs only the head and the tail of a file)
    // and grow while the reader moves straight on, up to `capacity`. A walk
    // looks at the bytes right after the system copied them: a buffer that
    // stays in the processor's cache measured faster than a larger one.
    static constexpr std::size_t InitialFill = 32 * 1024;
    static constexpr std::size_t DefaultCapacity = 256 * 1024;

    explicit BufferedReader(ReadableFile& file, std::size_t capacity = DefaultCapacity);
    ~BufferedReader();
    BufferedReader(const BufferedReader&) = delete;
    BufferedReader& operator=(const BufferedReader&) = delete;

    // Length of the file when it was opened.
    std::int64_t size() const { return size_; }

    ReadableFile& file() { return file_; }

    // Copies up to `count` bytes at `offset` into `out`; gives how many were
    // there. Bytes past the end are never invented: a short count is all
    // that the file holds (or all that could be read).
    std::size_t read(std::int64_t offset, std::uint8_t* out, std::size_t count);

    // Like read, but leaves the buffer as it is: for a one-off look far away
    // (the tag at the end of a file) in the middle of reading straight on.
    std::size_t readAside(std::int64_t offset, std::uint8_t* out, std::size_t count);

    // The four bytes at `offset`: a pointer into the buffer when it holds
    // them, else into `scratch` after reading them there; nullptr when fewer
    // than four could be read. The walks call this once per frame.
    const std::uint8_t* at4(std::int64_t offset, std::uint8_t scratch[4]) {
        if (offset >= bufferStart_ && offset + 4 <= bufferEnd_)
            return buffer_.get() + (offset - bufferStart_);
        return read(offset, scratch, 4) == 4 ? scratch : nullptr;
    }

    // Whether the buffer holds the `count` bytes at `offset`: reading them
    // leaves it as it is.
    bool holds(std::int64_t offset, std::size_t count) const {
        return offset >= bufferStart_ && offset + static_cast<std::int64_t>(count) <= bufferEnd_;
    }

    // Where the buffer holds the byte at `offset`; only where holds() said so.
    const std::uint8_t* held(std::int64_t offset) const { return buffer_.get() + (offset - bufferStart_); }

    // The `count` bytes at `offset`: a pointer into the buffer when it holds
    // them all, else into `scratch` after reading them there. `got` tells how
    // many could be read (fewer only at the end of the file or on a failed
    // read).
    const std::uint8_t* view(std::int64_t offset, std::size_t count, std::vector<std::uint8_t>& scratch,
                             std::size_t& got) {
        if (offset >= bufferStart_ && offset + static_cast<std::int64_t>(count) <= bufferEnd_) {
            got = count;
            return buffer_.get() + (offset - bufferStart_);
        }
        if (scratch.size() < count)
            scratch.resize(count);
        got = read(offset, scratch.data(), count);
        return scratch.data();
    }

    // Four bytes at `offset` copied into `out`; false when fewer than four
    // could be read.
    bool read4(std::int64_t offset, std::uint8_t out[4]) {
        const std::uint8_t* p = at4(offset, out);
        if (p == nullptr)
            return false;
        if (p != out) {
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            out[3] = p[3];
        }
        return true;
    }

private:
    void refill(std::int64_t at);

    ReadableFile& file_;
    std::int64_t size_;
    std::size_t capacity_;
    std::size_t fill_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t allocated_ = 0;
    std::int64_t bufferStart_ = 0;
    std::size_t bufferLength_ = 0;
    std::int64_t bufferEnd_ = 0;  // bufferStart_ + bufferLength_
};

}  // namespace tw
