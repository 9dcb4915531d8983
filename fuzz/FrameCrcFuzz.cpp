// ProtectedBitCount and CheckFrameCrc over one frame's bytes, the header
// decoded from its first four. libFuzzer hands in exactly `size` bytes, so
// AddressSanitizer reports any read past `available`.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/FrameCrc.h"
#include "analysis/FrameHeader.h"
#include "common/ByteOrder.h"
#include "fuzz/FuzzSupport.h"
#include "support/ReferenceFrameCrc.h"

namespace {

using tw::CheckFrameCrc;
using tw::FrameCrcResult;
using tw::FrameHeader;
using tw::ProtectedBitCount;
using tw::test::ReferenceFrameCrc;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    FrameHeader header;
    header.decode(data);
    const std::int32_t bits = ProtectedBitCount(header, data, size);
    const FrameCrcResult result = CheckFrameCrc(header, data, size);
    FUZZ_CHECK(CheckFrameCrc(header, data, size) == result);
    FUZZ_CHECK(ProtectedBitCount(header, data, size) == bits);
    if (!header.isCrcProtected()) {
        FUZZ_CHECK(result == FrameCrcResult::NotProtected && bits == -1);
        return 0;
    }
    FUZZ_CHECK(result != FrameCrcResult::NotProtected);
    if (bits < 0) {
        FUZZ_CHECK(result == FrameCrcResult::Unchecked);
        return 0;
    }
    // The region lies within the frame, after the header and the CRC field.
    FUZZ_CHECK(header.frameLength() > 0 && 48 + bits <= 8 * header.frameLength());
    const std::size_t needed = 6 + (static_cast<std::size_t>(bits) + 7) / 8;
    FUZZ_CHECK((result == FrameCrcResult::Unchecked) == (size < needed));
    if (size < needed)
        return 0;

    // Only the needed bytes count: the frame cut to them, or with everything
    // after them changed, gives the same answer; one byte fewer, none.
    std::vector<std::uint8_t> frame(data, data + needed);
    FUZZ_CHECK(ProtectedBitCount(header, frame.data(), frame.size()) == bits);
    FUZZ_CHECK(CheckFrameCrc(header, frame.data(), frame.size()) == result);
    FUZZ_CHECK(CheckFrameCrc(header, frame.data(), frame.size() - 1) == FrameCrcResult::Unchecked);
    const std::size_t unusedBits = 8 * needed - 48 - static_cast<std::size_t>(bits);
    frame.back() = static_cast<std::uint8_t>(frame.back() ^ ((1u << unusedBits) - 1));
    frame.push_back(static_cast<std::uint8_t>(~data[size - 1]));
    FUZZ_CHECK(CheckFrameCrc(header, frame.data(), frame.size()) == result);

    // Sealed with the reference CRC the frame matches; a flipped bit of the
    // stored CRC does not.
    const std::uint16_t crc = ReferenceFrameCrc(frame.data(), static_cast<std::size_t>(bits));
    frame[4] = static_cast<std::uint8_t>(crc >> 8);
    frame[5] = static_cast<std::uint8_t>(crc);
    FUZZ_CHECK(CheckFrameCrc(header, frame.data(), frame.size()) == FrameCrcResult::Match);
    FUZZ_CHECK(result == (crc == tw::BigEndian16(data + 4) ? FrameCrcResult::Match : FrameCrcResult::Mismatch));
    frame[5] = static_cast<std::uint8_t>(frame[5] ^ (1u << (data[size - 1] % 8)));
    FUZZ_CHECK(CheckFrameCrc(header, frame.data(), frame.size()) == FrameCrcResult::Mismatch);
    return 0;
}
