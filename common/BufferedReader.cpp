#include "common/BufferedReader.h"

#include <cstring>

namespace tw {

BufferedReader::BufferedReader(ReadableFile& file, std::size_t capacity)
    : file_(file), size_(file.size()), buffer_(capacity == 0 ? 1 : capacity) {}

std::size_t BufferedReader::read(std::int64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset < 0 || count == 0)
        return 0;
    std::size_t done = 0;
    while (done < count) {
        std::int64_t at = offset + static_cast<std::int64_t>(done);
        std::int64_t bufferEnd = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
        if (at >= bufferStart_ && at < bufferEnd) {
            std::size_t available = static_cast<std::size_t>(bufferEnd - at);
            std::size_t take = count - done < available ? count - done : available;
            std::memcpy(out + done, buffer_.data() + (at - bufferStart_), take);
            done += take;
            continue;
        }
        if (count - done >= buffer_.size()) {
            // Larger than the buffer: straight into the caller's memory.
            std::size_t got = file_.readAt(at, out + done, count - done);
            done += got;
            break;
        }
        bufferStart_ = at;
        bufferLength_ = file_.readAt(at, buffer_.data(), buffer_.size());
        if (bufferLength_ == 0)
            break;
    }
    return done;
}

}  // namespace tw
