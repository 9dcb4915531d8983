#include "platform/MemoryFile.h"

#include <cstring>

namespace tw {

std::size_t MemoryFile::readAt(std::int64_t offset, void* buffer, std::size_t count) {
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
