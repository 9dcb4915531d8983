// Positional reads for the trailing-tag parsers, from the buffered reader or
// from bytes in memory, so that both take the same path through the code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/BufferedReader.h"

namespace tw::tagsource {

// Tags sit far from where a walk reads: look aside, keep the walk's buffer.
struct FromReader {
    BufferedReader& file;
    std::int64_t size() const { return file.size(); }
    std::size_t read(std::int64_t offset, std::uint8_t* out, std::size_t count) {
        return file.readAside(offset, out, count);
    }
};

struct FromMemory {
    const std::uint8_t* data;
    std::size_t length;
    std::int64_t size() const { return static_cast<std::int64_t>(length); }
    std::size_t read(std::int64_t offset, std::uint8_t* out, std::size_t count) {
        if (offset < 0 || offset >= size())
            return 0;
        const std::size_t available = length - static_cast<std::size_t>(offset);
        const std::size_t n = count < available ? count : available;
        if (n != 0)
            std::memcpy(out, data + offset, n);
        return n;
    }
};

// `end` lies within the file and leaves `need` bytes at or after `lowest`.
template <class Source>
bool Fits(const Source& source, std::int64_t end, std::int64_t lowest, std::int64_t need) {
    return lowest >= 0 && end <= source.size() && end - lowest >= need;
}

}  // namespace tw::tagsource
