#include "analysis/AudioFileInfo.h"

#include <cmath>

#include "common/BufferedReader.h"
#include "common/Text.h"
#include "platform/Platform.h"

namespace tw {
namespace {

constexpr const char* UnableToOpenText = "Error: Unable to open file.";
constexpr const char* TooShortText = "Error: File too short.";
constexpr const char* TooLargeText = "Error: File too large.";
constexpr const char* NoFirstFrameText = "Error: Can't locate first valid frame header within ";
constexpr const char* NoFirstFrameTail = " bytes of beginning of file.";
constexpr const char* NoVbriSecondFrameText = "Error: Can't locate second frame header for VBRI file";

// Sizes and offsets are 32-bit in the record; larger files are refused.
constexpr std::int64_t LargestFile = 0x7FFFFFFF;
constexpr std::int64_t MinimumFileSize = 10;

// A count that the record doesn't fit is as good as unknown.
std::int32_t FrameCountFrom(std::int64_t count) {
    return count > 0x7FFFFFFF ? -1 : static_cast<std::int32_t>(count);
}

// Half away from zero without leaving double, so that no 32-bit limit applies.
double RoundInDouble(double x) {
    return x >= 0.0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
}

}  // namespace

std::string FormatLocalTime(const LocalTime& t) {
    return FormatText("%d/%d/%02d %d:%02d:%02d", t.month, t.day, ((t.year % 100) + 100) % 100, t.hour, t.minute,
                      t.second);
}

bool AudioFileInfo::fail(const char* message) {
    errorText_ = message;
    return false;
}

void AudioFileInfo::reset(const std::string& path) {
    hasXingHeader_ = false;
    hasVbriHeader_ = false;
    vbrHeader_ = VbrHeaderLocation();
    hasId3v1_ = false;
    hasId3v2_ = false;
    modifiedText_.clear();
    errorText_.clear();
    firstFrameOffset_ = 0;
    fileSize_ = 0;
    audioEnd_ = 0;
    audioSize_ = 0;
    frameCount_ = 0;
    estimatedSeconds_ = 0.0;
    estimatedBitrate_ = 0.0;
    filePath_ = path;
}

bool AudioFileInfo::scan(const std::string& path, std::int32_t maxOffset) {
    return scan(SystemFileSystem(), path, maxOffset);
}

bool AudioFileInfo::scan(FileSystem& fileSystem, const std::string& path, std::int32_t maxOffset) {
    reset(path);
    std::unique_ptr<ReadableFile> file = fileSystem.openForReading(path);
    if (!file)
        return unableToOpen(path);
    BufferedReader reader(*file);
    return scanOpenFile(reader, maxOffset);
}

bool AudioFileInfo::unableToOpen(const std::string& path) {
    reset(path);
    return fail(UnableToOpenText);
}

bool AudioFileInfo::scan(BufferedReader& file, const std::string& path, std::int32_t maxOffset) {
    reset(path);
    return scanOpenFile(file, maxOffset);
}

bool AudioFileInfo::scanOpenFile(BufferedReader& file, std::int32_t maxOffset) {
    const std::int64_t size = file.size();
    modifiedText_ = FormatLocalTime(ToLocalTime(file.file().modifiedTime()));
    if (size > LargestFile)
        return fail(TooLargeText);
    fileSize_ = static_cast<std::int32_t>(size);
    if (size < MinimumFileSize)
        return fail(TooShortText);

    hasId3v2_ = id3v2_.read(file);
    const std::int64_t start = hasId3v2_ ? id3v2_.totalLength() : 0;
    firstFrameOffset_ = static_cast<std::int32_t>(start);

    // The first frame: a valid header whose successor, exactly one frame
    // length further on, is a valid header of the same stream.
    bool found = false;
    const std::int64_t last = start + static_cast<std::int64_t>(maxOffset);
    std::uint8_t bytes[4];
    for (std::int64_t offset = start; offset <= last; ++offset) {
        if (offset + 4 > size)
            break;
        if (!file.read4(offset, bytes) || !firstHeader_.decode(bytes))
            continue;
        const std::int64_t next = offset + firstHeader_.frameLength();
        if (next > size)
            return fail(TooShortText);
        FrameHeader second;
        if (!file.read4(next, bytes) || !second.decode(bytes) || !firstHeader_.matches(second))
            continue;
        firstFrameOffset_ = static_cast<std::int32_t>(offset);
        found = true;
        break;
    }
    if (!found) {
        errorText_ = std::string(NoFirstFrameText) + FormatThousands(maxOffset) + NoFirstFrameTail;
        return false;
    }

    // A Xing or VBRI tag right after the first frame's side information
    // carries the frame count. The "Info" form of the Xing header marks a
    // CBR stream and is left to the estimate, as is a record behind a frame
    // CRC or in a frame in front of the first.
    vbrHeader_ = LocateVbrHeader(file, firstHeader_, firstFrameOffset_, start);
    const VbrHeader& record = vbrHeader_.record;
    const bool whereScanned = vbrHeader_.inFirstFrame && vbrHeader_.afterSideInfo;
    if (whereScanned && record.kind() == VbrHeader::Kind::Xing) {
        hasXingHeader_ = true;
        frameCount_ = FrameCountFrom(record.frames());
    }
    if (whereScanned && record.kind() == VbrHeader::Kind::Vbri) {
        hasVbriHeader_ = true;
        frameCount_ = FrameCountFrom(record.frames());
        FrameHeader second;
        const std::int64_t next = static_cast<std::int64_t>(firstFrameOffset_) + firstHeader_.frameLength();
        if (!file.read4(next, bytes) || !second.decode(bytes))
            return fail(NoVbriSecondFrameText);
        firstHeader_.takeProtectionAndChannelModeFrom(second);
    }

    if (size >= static_cast<std::int64_t>(Id3v1Tag::BlockSize)) {
        std::uint8_t block[Id3v1Tag::BlockSize];
        if (file.readAside(size - static_cast<std::int64_t>(Id3v1Tag::BlockSize), block, sizeof block) ==
            sizeof block) {
            hasId3v1_ = id3v1_.read(block);
        } else {
            id3v1_.clear();  // never judge a tag from bytes that weren't read
        }
    }

    audioEnd_ = fileSize_ - (hasId3v1_ ? static_cast<std::int32_t>(Id3v1Tag::BlockSize) : 0);
    audioSize_ = audioEnd_ - firstFrameOffset_;

    if (!hasVbrHeader()) {
        const std::int32_t unpadded = firstHeader_.frameLengthUnpadded();
        frameCount_ = unpadded > 0 ? RoundToInt(static_cast<double>(audioSize_) / unpadded) : -1;
    }

    estimatedSeconds_ = -1.0;
    if (frameCount_ != -1 && firstHeader_.isSampleRateKnown())
        estimatedSeconds_ =
            static_cast<double>(firstHeader_.samplesPerFrame()) * frameCount_ / firstHeader_.sampleRate();

    estimatedBitrate_ = -1.0;
    if (audioSize_ >= 1 && estimatedSeconds_ != -1.0 && estimatedSeconds_ != 0.0)
        estimatedBitrate_ = RoundInDouble(audioSize_ * 8.0 / estimatedSeconds_);

    return true;
}

}  // namespace tw
