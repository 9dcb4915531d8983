#include "tags/ApeTag.h"

#include <cstring>

#include "common/ByteOrder.h"
#include "tags/TagSource.h"

namespace tw {

namespace {

using tagsource::FromMemory;
using tagsource::FromReader;

constexpr std::uint32_t HasHeaderFlag = 0x80000000u;
constexpr std::uint32_t IsHeaderFlag = 0x20000000u;
constexpr std::int64_t BlockSize = static_cast<std::int64_t>(ApeTag::FooterSize);
// Value size, flags, and at least a one-letter key with its terminating zero.
constexpr std::int64_t SmallestItem = 10;
constexpr std::size_t MaxKey = 255;

bool IsApeBlock(const std::uint8_t block[ApeTag::FooterSize], std::uint32_t& version, std::uint32_t& size,
                std::uint32_t& count, std::uint32_t& flags) {
    if (std::memcmp(block, "APETAGEX", 8) != 0)
        return false;
    version = LittleEndian32(block + 8);
    size = LittleEndian32(block + 12);
    count = LittleEndian32(block + 16);
    flags = LittleEndian32(block + 20);
    return version == 1000 || version == 2000;
}

bool EqualsIgnoringCase(const char* a, std::size_t length, const char* b) {
    if (std::strlen(b) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i])
            return false;
    }
    return true;
}

template <class Source>
bool Locate(Source source, std::int64_t end, std::int64_t lowest, ApeTag& tag) {
    tag = ApeTag{};
    if (!tagsource::Fits(source, end, lowest, BlockSize))
        return false;
    std::uint8_t footer[ApeTag::FooterSize];
    std::uint32_t version = 0, size = 0, count = 0, flags = 0;
    if (source.read(end - BlockSize, footer, sizeof footer) != sizeof footer ||
        !IsApeBlock(footer, version, size, count, flags) || (flags & IsHeaderFlag) != 0)
        return false;
    // The declared size counts the items and the footer, never the header;
    // held in 64 bits, no 32-bit value can overflow the sums below.
    const std::int64_t body = size;
    if (body < BlockSize || end - lowest < body)
        return false;
    std::int64_t start = end - body;
    bool hasHeader = false;
    if (version == 2000 && (flags & HasHeaderFlag) != 0 && start - lowest >= BlockSize) {
        // Trust the flag only when the header is really there: some writers
        // set it and leave the header out.
        std::uint8_t header[ApeTag::FooterSize];
        std::uint32_t hv = 0, hs = 0, hc = 0, hf = 0;
        if (source.read(start - BlockSize, header, sizeof header) == sizeof header &&
            IsApeBlock(header, hv, hs, hc, hf) && (hf & IsHeaderFlag) != 0 && hs == size) {
            hasHeader = true;
            start -= BlockSize;
        }
    }
    tag.start = start;
    tag.size = end - start;
    tag.version = version;
    tag.hasHeader = hasHeader;
    tag.itemCount = count;
    return true;
}

template <class Source>
bool ReadItems(Source source, ApeTag& tag) {
    tag.hasGainUndo = tag.hasGainMinMax = false;
    tag.gainUndo.clear();
    tag.gainMinMax.clear();
    const std::int64_t end = tag.start + tag.size - BlockSize;
    std::int64_t at = tag.start + (tag.hasHeader ? BlockSize : 0);
    if (tag.size < BlockSize || at < 0 || end > source.size())
        return false;
    for (std::uint32_t i = 0; i < tag.itemCount; ++i) {
        // A count larger than the items that fit ends here, not in a long loop.
        if (end - at < SmallestItem)
            return false;
        std::uint8_t head[8 + MaxKey + 1];
        const std::int64_t left = end - at;
        const std::size_t want =
            left < static_cast<std::int64_t>(sizeof head) ? static_cast<std::size_t>(left) : sizeof head;
        const std::size_t got = source.read(at, head, want);
        if (got < static_cast<std::size_t>(SmallestItem))
            return false;
        const std::int64_t valueSize = LittleEndian32(head);
        const std::uint32_t itemFlags = LittleEndian32(head + 4);
        const auto* key = reinterpret_cast<const char*>(head + 8);
        const void* zero = std::memchr(key, 0, got - 8);
        if (zero == nullptr)
            return false;
        const auto keyLength = static_cast<std::size_t>(static_cast<const char*>(zero) - key);
        if (keyLength == 0)
            return false;
        const std::int64_t valueAt = at + 8 + static_cast<std::int64_t>(keyLength) + 1;
        if (valueSize > end - valueAt)
            return false;
        const bool isText = (itemFlags & 0x6u) == 0;  // binary items and links hold no gain record
        std::string* value = nullptr;
        bool* found = nullptr;
        if (EqualsIgnoringCase(key, keyLength, "MP3GAIN_UNDO")) {
            value = &tag.gainUndo;
            found = &tag.hasGainUndo;
        } else if (EqualsIgnoringCase(key, keyLength, "MP3GAIN_MINMAX")) {
            value = &tag.gainMinMax;
            found = &tag.hasGainMinMax;
        }
        if (value != nullptr && isText && !*found && valueSize <= static_cast<std::int64_t>(ApeTag::MaxGainValue)) {
            std::uint8_t text[ApeTag::MaxGainValue];
            const auto n = static_cast<std::size_t>(valueSize);
            if (source.read(valueAt, text, n) != n)
                return false;
            value->assign(reinterpret_cast<const char*>(text), n);
            *found = true;
        }
        at = valueAt + valueSize;
    }
    return true;
}

}  // namespace

bool ApeTag::locate(BufferedReader& file, std::int64_t end, std::int64_t lowest, ApeTag& tag) {
    return Locate(FromReader{file}, end, lowest, tag);
}

bool ApeTag::locate(const std::uint8_t* data, std::size_t size, std::int64_t end, std::int64_t lowest, ApeTag& tag) {
    return Locate(FromMemory{data, size}, end, lowest, tag);
}

bool ApeTag::readItems(BufferedReader& file, ApeTag& tag) {
    return ReadItems(FromReader{file}, tag);
}

bool ApeTag::readItems(const std::uint8_t* data, std::size_t size, ApeTag& tag) {
    return ReadItems(FromMemory{data, size}, tag);
}

}  // namespace tw
